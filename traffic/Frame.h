#pragma once
// One frame that crossed the line, as the master's frame tap (or the stand-in) saw it: when, which
// way, the bytes and what became of them. A fixed buffer, so that copying a frame never allocates.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>

namespace traffic {

using Clock = std::chrono::steady_clock;

enum class Direction : std::uint8_t {
    ToSlave,    // a request, master to slave
    FromSlave,  // a reply, or bytes on the line that were read as one
};

enum class Outcome : std::uint8_t {
    Request,        // a request put on the line
    Reply,          // a reply as the slave wrote it (the stand-in's log), not judged
    Ok,             // a whole, valid reply
    Timeout,        // nothing came within the reply's time limit
    Short,          // fewer bytes than the reply must have came in time
    BadCrc,         // the reply's CRC does not match its bytes
    WrongAddress,   // a valid frame from another slave
    WrongFunction,  // a valid frame with another function code
    WrongCount,     // a read reply whose byte count is not the one asked for
    WrongEcho,      // a write's echo that differs from the request
    Exception,      // the slave refused the request
    Late,           // bytes after a failed exchange, read and dropped before the next request
    AdapterEcho,    // the request as the master's own adapter sent it back, read before the reply
    PortFailure,    // the port failed while writing or reading
};

// How Modbus frames are laid out on a line; modbus/Framing.h lays them out and checks them.
enum class Framing : std::uint8_t {
    Rtu,   // serial line: address, PDU, CRC-16
    Mbap,  // Modbus TCP: MBAP header with a transaction number, PDU
};

struct Frame {
    static constexpr std::size_t kMaxBytes = 256;

    Clock::time_point time;
    Direction direction = Direction::ToSlave;
    Outcome outcome = Outcome::Request;
    std::uint16_t expected = 0;  // for a reply: the length a whole reply has
    std::uint16_t length = 0;
    Framing framing = Framing::Rtu;
    std::uint8_t bytes[kMaxBytes] = {};

    std::span<const std::uint8_t> Bytes() const { return {bytes, length}; }
};

// A frame built from what the caller saw; bytes beyond kMaxBytes are left out.
Frame MakeFrame(Direction direction, Outcome outcome, std::span<const std::uint8_t> bytes,
                std::size_t expected = 0, Clock::time_point time = Clock::now());

// What a frame tap reports to. Called on the thread that owns the line, in line order; it must not
// block that thread.
class IFrameObserver {
public:
    virtual void OnFrame(const Frame& frame) = 0;

protected:
    ~IFrameObserver() = default;
};

// What a tap does with a frame: nothing but a pointer test when no observer is installed.
inline void Tap(IFrameObserver* observer, Direction direction, Outcome outcome,
                std::span<const std::uint8_t> bytes, std::size_t expected = 0) {
    if (observer != nullptr) {
        observer->OnFrame(MakeFrame(direction, outcome, bytes, expected));
    }
}

}  // namespace traffic
