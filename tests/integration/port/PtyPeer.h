#pragma once
// The far end of a real pseudo-terminal, driven byte by byte from a test: for faults at an exact byte
// or an exact moment that no well-behaved slave would produce.
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

class PtyPeer {
public:
    using Bytes = std::vector<std::uint8_t>;

    PtyPeer();
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;
    ~PtyPeer();

    // The path the port under test opens.
    const std::string& Path() const { return m_path; }

    void Send(const Bytes& bytes);
    // Everything that arrives within the time given (stops early once `expected` bytes are in).
    Bytes Receive(std::size_t expected, std::chrono::milliseconds within = std::chrono::milliseconds(2000));
    // Answers each of `requests` requests of `requestSize` bytes with the reply the function makes.
    template <typename MakeReply>
    void AnswerLater(std::size_t requests, std::size_t requestSize, MakeReply makeReply);
    // Waits until the peer's own thread (SendLater, AnswerLater) has finished.
    void JoinSender();
    // The line goes away: the master side is closed and the device node disappears.
    void HangUp();

private:
    int m_master = -1;
    int m_slaveHold = -1;  // keeps the line up while the port under test is closed between opens
    std::string m_path;
    std::thread m_sender;
};

template <typename MakeReply>
void PtyPeer::AnswerLater(std::size_t requests, std::size_t requestSize, MakeReply makeReply) {
    JoinSender();
    m_sender = std::thread([this, requests, requestSize, makeReply]() mutable {
        for (std::size_t i = 0; i < requests; ++i) {
            const Bytes request = Receive(requestSize);
            if (request.size() != requestSize) {
                return;
            }
            Send(makeReply(i, request));
        }
    });
}
