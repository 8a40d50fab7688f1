#pragma once
// The serial port handle: open exclusively, configure, purge, read with the port's time-outs, write.
// Every failing operation leaves its reason in platform::GetLastError(). A read that merely runs out of
// time is not a failure: it succeeds with fewer bytes than asked for.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/LineSettings.h"

#ifndef _WIN32
#include <linux/serial.h>
#include <termios.h>

#include <optional>
#endif

namespace platform {

class SerialHandle {
public:
    SerialHandle() = default;
    SerialHandle(const SerialHandle&) = delete;
    SerialHandle& operator=(const SerialHandle&) = delete;
    ~SerialHandle();

    bool IsNull() const;  // never opened
    bool IsOpen() const;  // holds an open port

    // Opens an existing device for reading and writing, held by nobody else. A handle that is still
    // open is closed first. On failure the handle is invalid. The program's own terminal is refused
    // (kErrorOwnTerminal) before anything on it changes.
    bool Open(const std::string& devicePath);
    // 8 data bits, the given baud rate, parity and stop bits, set from a clean slate whatever another
    // program left: no flow control of either kind, one speed both ways; the line passes bytes untouched.
    bool Configure(std::uint32_t baudRate, std::uint8_t parity, std::uint8_t stopBits);
    bool SetTimeouts(const ReadTimeouts& timeouts);
    const ReadTimeouts& Timeouts() const { return m_timeouts; }
    // Asks the driver for low latency; whether it agrees does not matter.
    void RequestLowLatency();
    // Discards whatever is waiting to be sent or has been received.
    void Purge();
    // Turns on the driver's RS-485 mode, RTS raised while sending. False where the driver has none
    // (kErrorNoRs485) or refused it.
    bool EnableRs485();
    // How many received bytes wait to be read; 0 when none or when the driver cannot tell.
    std::size_t Waiting() const;
    // Writes all bytes within a deadline that follows the line speed. False when the port failed,
    // or cannot send (kErrorOutputStalled: flow control or stopped output holds the bytes back).
    bool Write(const std::uint8_t* data, std::size_t size, std::size_t& written);
    // Reads up to size bytes within the read time-outs. False only when the port failed.
    bool Read(std::uint8_t* data, std::size_t size, std::size_t& received);
    // As Read, with other time-outs for this one read; the port's own stay as they are.
    bool Read(std::uint8_t* data, std::size_t size, std::size_t& received, const ReadTimeouts& timeouts);
    // Releases an open port without waiting for unsent output, and gives it back the settings found
    // when it was opened. The handle becomes invalid (not null: it has been used).
    void Close();
    void Interrupt();

private:
    ReadTimeouts m_timeouts;
    std::atomic<bool> m_interrupted{false};
#ifdef _WIN32
    void* m_native = nullptr;  // HANDLE: null, INVALID_HANDLE_VALUE or an open port
#else
    enum class State { Null, Invalid, Open };
    State m_state = State::Null;
    int m_fd = -1;
    std::uint32_t m_baudRate = 0;              // as configured; 0 before
    termios m_found{};                         // the settings the port had when it was opened
    std::optional<serial_rs485> m_rs485Found;  // the RS-485 settings, once EnableRs485 changed them
#endif
};

}  // namespace platform
