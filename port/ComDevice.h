#pragma once
// The serial port of one connection and the settings it was opened with.
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "port/Port.h"
#include "traffic/Frame.h"

class CComDevice {
public:
    CComDevice();
    CComDevice(const CComDevice&) = delete;
    CComDevice& operator=(const CComDevice&) = delete;
    virtual ~CComDevice();  // closes the port if it is open

    // The time a reply may take beyond 10 ms a byte unless the operator gives more for a slow line.
    static constexpr std::uint32_t kDefaultReplyTimeoutMs = 50;
    // The reply times an operator may give instead.
    static constexpr std::uint32_t kMinReplyTimeoutMs = 10;
    static constexpr std::uint32_t kMaxReplyTimeoutMs = 10000;

    // Opens the device exclusively and configures it (8 data bits, parity, stop bits, read time-outs
    // from m_replyTimeoutMs).
    // On failure the operator has been told why through the log service (unless the opening was
    // stopped, see m_openingStop) and no port is held.
    bool Open(const std::string& devicePath, std::uint32_t baudRate, std::uint8_t parity,
              std::uint8_t stopBits);
    // Opens the port the name stands for, not yet configured: a serial device path, or a network
    // gateway as tcp://HOST:PORT (bytes passed through) or rfc2217://HOST:PORT (line settings too).
    bool OpenPort(const std::string& name);

    // How Modbus frames are laid out on this port from now on (see m_framing; none: not known). Through
    // a Modbus TCP gateway replies also get the gateway's own serial wait, unless the operator gave the
    // network's allowance.
    void UseFraming(std::optional<traffic::Framing> framing);

    // Null until opened; invalid after a failed open.
    port::IPort& Port() { return *m_port; }
    const port::IPort& Port() const { return *m_port; }

    std::string m_devicePath;  // the port's path once it opened, for the operator to see
    std::uint32_t m_baudRate = 0;
    std::uint8_t m_parity = 0;    // 0 none, 1 odd, 2 even
    std::uint8_t m_stopBits = 0;  // 0 one, 2 two
    std::uint8_t m_address = 0;   // Modbus slave address; travels with the settings, unused by the port
    std::uint32_t m_replyTimeoutMs = kDefaultReplyTimeoutMs;  // set before Open
    bool m_echo = false;   // the adapter echoes every request; travels with the settings, unused by the port
    bool m_rs485 = false;  // the driver's RS-485 mode was asked for; travels with the settings
    // What a reply may take for a network on top of the serial limits; set before Open. None: from the
    // round trip measured at connect.
    std::optional<std::uint32_t> m_networkAllowanceMs;
    // How long opening a network port (connecting, agreeing on settings) may take in all; set before
    // Open. None: the port's own limits.
    std::optional<std::uint32_t> m_openingLimitMs;
    // How Modbus frames are laid out: travels with the settings, unused by the port. Empty until chosen
    // or found out (a tcp:// port may be either kind of gateway); Modbus then speaks RTU.
    std::optional<traffic::Framing> m_framing;
    // Raised from another thread or a signal handler, ends opening a network port at once; set before
    // Open. Not a failure to report: Open then fails with kErrorInterrupted and tells nobody.
    const std::atomic<bool>* m_openingStop = nullptr;

private:
    // Gives a network port its reply allowance for the framing in use.
    void SetNetworkAllowance(const std::string& name);

    std::unique_ptr<port::IPort> m_port;
};

// The read time-outs of a connection: a reply of N bytes may take replyTimeoutMs + 10 * N ms in all,
// with pauses inside it as long as replyTimeoutMs, but never shorter than 200 ms.
platform::ReadTimeouts ReadTimeoutsFor(std::uint32_t replyTimeoutMs);
