#pragma once
// The Modbus master on one open port: single transactions and the sticky port-failure flag. It knows
// the protocol data unit and the time a reply may take; how a frame is laid out and checked is its
// framing's (Framing.h says how to add one). Failures leave their reason in platform::GetLastError().
#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "modbus/AdapterEcho.h"
#include "modbus/Framing.h"
#include "traffic/Frame.h"
#include "traffic/LineSigns.h"

class CComDevice;

class CModbus {
public:
    explicit CModbus(CComDevice* device, Framing framing = Framing::Rtu)
        : m_device(device), m_framing(MakeFraming(framing)), m_framingKind(framing) {}
    virtual ~CModbus() = default;

    bool ReadRegisters(std::uint8_t address, int function, std::uint16_t firstRegister, std::uint16_t count,
                       std::uint16_t* destination);
    bool WriteRegister(std::uint8_t address, std::uint16_t reg, std::uint16_t value);
    bool WriteRegisters(std::uint8_t address, std::uint16_t firstRegister, std::uint16_t count,
                        const std::uint16_t* values);
    // Purges the port, sends the request, reads exactly as many bytes as a whole reply to it has and
    // checks them (IFraming::Check: ERROR_CRC when that fails); `pdu` then holds the reply's protocol
    // data unit, function code first, until the next exchange. After an exchange that failed, it first
    // waits for the line to go quiet (see LateReplyGuard.h). An exception reply ends the read as soon
    // as it is in: false, with the exception's error code (platform::ModbusExceptionError) as the last
    // error. Bytes already waiting when a request is due are dropped (and tapped as late) first.
    // After a whole reply (a value or an exception) it listens as long as a reply may take before it
    // returns (see ListenAfterReply), so that the reply's evidence is in before its value is used.
    bool Exchange(const ModbusRequest& request, std::span<const std::uint8_t>& pdu);

    // Counts the signs that the line is out of step, so that a reply may not be the one it seems: a
    // failed exchange, bytes waiting before a request, bytes while listening after a whole reply. Each
    // one also arms the late-reply guard. It only ever grows.
    std::uint64_t Evidence() const { return m_evidence; }
    // How long the last whole reply took, from the request going out until its last byte was in.
    std::chrono::microseconds LastReplyTime() const { return m_lastReplyTime; }
    // Whole replies that came a second time while listening after them (a repeater, or two slaves at
    // one address); any thread. It only ever grows.
    std::uint64_t CopiedReplies() const { return m_copiedReplies; }
    // What the line did in each exchange so far (nothing back, damaged, echo, another slave, a refusal),
    // whatever the tap shows; any thread.
    traffic::LineSignCounts LineSigns() const { return m_signs.Counts(); }
    // From another thread, when the exchanges are to end: the exchange under way, and every later one,
    // gives up its wait at once and fails as a time-out (see IPort::Interrupt).
    void Interrupt();

    // The frame tap: every request sent and every reply read (or not) goes to the observer, on the
    // thread that runs the exchanges. Install it before that thread starts; it must outlive the
    // exchanges. Null, the default, taps nothing.
    void SetFrameObserver(traffic::IFrameObserver* observer) { m_tap = observer; }

    // For a caller that knows when a reply's first byte is due (a scan): the wait for it, after which
    // the exchange ends as a time-out; once a byte is in, the rest of the reply gets the port's normal
    // limit. 0, the default, leaves the whole wait to the port's limit.
    void SetFirstByteLimitMs(std::uint32_t ms) { m_firstByteLimitMs = ms; }
    // For a caller whose next request names another slave, so that a late reply cannot pass for its
    // reply (a scan): no guard before it. Bytes still waiting then are dropped and tapped as late.
    void SkipGuard() { m_guardQuietMs = 0; }

    CComDevice* m_device;
    bool m_portFailed = false;
    CAdapterEcho m_echo;  // the adapter's echo of each request, once known (see AdapterEcho.h)

private:
    // Reads the reply within the time limit of the whole reply, stopping early at an exception reply.
    bool ReadReply(const ModbusRequest& request, std::size_t length, std::size_t& received);
    // With echo handling on: reads and checks the echo of what was sent; false (reported and tapped)
    // when it did not come back unchanged.
    bool AwaitEcho(std::span<const std::uint8_t> sent, std::size_t replyLength);
    // The exchange that expected replyLength bytes did not end with a valid reply, or the line showed
    // bytes no request asked for: evidence, and the guard before the next request.
    void GuardNextExchange(std::size_t replyLength);
    // Before a request: waits out an armed guard, then drops bytes that are still waiting. False only
    // when the port failed.
    bool ClearLine(std::size_t replyLength);
    // Reads and taps as late what is waiting now; true when there was something.
    bool DropWaiting();
    // After a whole reply of `length` bytes: listens for as long as a reply of that length may take.
    // A reply that is sent again (by a repeater, or by a second slave at the address) lands within
    // that time, and would otherwise pass for the next request's reply: whatever comes is evidence,
    // and a whole copy of the reply is counted as one. Not with a framing that numbers its replies.
    // False only when the port failed.
    bool ListenAfterReply(std::span<const std::uint8_t> reply);
    // Every frame is counted among the line's signs, and goes to the observer when there is one.
    void Tap(traffic::Direction direction, traffic::Outcome outcome, std::span<const std::uint8_t> bytes,
             std::size_t expected = 0);

    // The line's signs first, then the observer: what the guard drops is counted too.
    class SignsThenTap final : public traffic::IFrameObserver {
    public:
        explicit SignsThenTap(CModbus& modbus) : m_modbus(modbus) {}
        void OnFrame(const traffic::Frame& frame) override;

    private:
        CModbus& m_modbus;
    };

    std::unique_ptr<IFraming> m_framing;
    Framing m_framingKind;  // for whoever reads the tap
    traffic::IFrameObserver* m_tap = nullptr;
    traffic::LineSigns m_signs;
    SignsThenTap m_signsThenTap{*this};
    // The reply of the exchange under way, or of the last one.
    std::array<std::uint8_t, kMaxFrameBytes> m_reply{};

    std::uint32_t m_firstByteLimitMs = 0;
    // Non-zero while the line must go quiet before the next request: the quiet time in ms.
    std::uint32_t m_guardQuietMs = 0;
    // A line just opened has not yet shown that it is in step: its first values are confirmed too.
    std::uint64_t m_evidence = 1;
    std::atomic<std::uint64_t> m_copiedReplies{0};
    std::chrono::microseconds m_lastReplyTime{0};
};
