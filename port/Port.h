#pragma once
// The port contract: what the layers above need of a port, whatever carries the bytes: a serial line
// (SerialLinePort), or a network gateway in front of one (NetworkPort, made by the port factory). Every
// failing operation leaves its reason in platform::GetLastError(). A read that merely runs out of time is not
// a failure: it succeeds with fewer bytes than asked for.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/LineSettings.h"

namespace port {

class IPort {
public:
    IPort() = default;
    IPort(const IPort&) = delete;
    IPort& operator=(const IPort&) = delete;
    virtual ~IPort() = default;

    virtual bool IsNull() const = 0;  // never opened
    virtual bool IsOpen() const = 0;  // holds an open port

    // Opens the port for reading and writing, held by nobody else. A port that is still open is closed
    // first. On failure the port is invalid.
    virtual bool Open(const std::string& name) = 0;
    // 8 data bits, the given baud rate, parity and stop bits.
    virtual bool Configure(std::uint32_t baudRate, std::uint8_t parity, std::uint8_t stopBits) = 0;
    virtual bool SetTimeouts(const platform::ReadTimeouts& timeouts) = 0;
    virtual const platform::ReadTimeouts& Timeouts() const = 0;
    // Asks the driver for low latency; whether it agrees does not matter.
    virtual void RequestLowLatency() = 0;
    // Discards whatever is waiting to be sent or has been received.
    virtual void Purge() = 0;
    // Turns on the driver's RS-485 mode, RTS raised while sending. False where there is none
    // (kErrorNoRs485) or it was refused.
    virtual bool EnableRs485() = 0;
    // How many received bytes wait to be read; 0 when none or when it cannot be told.
    virtual std::size_t Waiting() const = 0;
    // Writes all bytes within a deadline. False when the port failed, or cannot send
    // (kErrorOutputStalled).
    virtual bool Write(const std::uint8_t* data, std::size_t size, std::size_t& written) = 0;
    // Reads up to size bytes within the read time-outs. False only when the port failed.
    virtual bool Read(std::uint8_t* data, std::size_t size, std::size_t& received) = 0;
    // As Read, with other time-outs for this one read; the port's own stay as they are.
    virtual bool Read(std::uint8_t* data, std::size_t size, std::size_t& received,
                      const platform::ReadTimeouts& timeouts) = 0;
    // Releases an open port. The port becomes invalid (not null: it has been used).
    virtual void Close() = 0;
    // From another thread: ends the read under way, and every later one until the port opens again, as
    // if its time had run out, so that a worker asked to stop need not wait for a reply. A network port's
    // opening under way and its sends end too, with kErrorInterrupted.
    virtual void Interrupt() = 0;

    // False where Configure cannot reach the line itself (a transparent network bridge runs its serial
    // side at its own settings and passes the bytes through).
    virtual bool SetsLineSettings() const { return true; }
    // The network round trip measured when the port opened; none for a local line.
    virtual std::optional<std::uint32_t> RoundTripMs() const { return std::nullopt; }
    // The time a reply may take for the network, on top of the read time-outs; nothing for a local line.
    virtual void SetNetworkAllowance(std::uint32_t /*ms*/) {}
    // Set before Open: how long Open and the first Configure after it may wait on a network in all (a
    // command's time limit); a local line never waits there.
    virtual void LimitOpening(std::uint32_t /*ms*/) {}
    // Set before Open: a flag that, once raised (from another thread or a signal handler), ends Open and
    // the first Configure after it within a few tens of milliseconds, with kErrorInterrupted; as Interrupt
    // does during the opening. A local line never waits there.
    virtual void StopOpeningOn(const std::atomic<bool>* /*stop*/) {}
};

}  // namespace port
