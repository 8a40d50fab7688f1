#pragma once
// Echo handling. Many half-duplex adapters hear their own transmission, so every request comes back
// on the line before the slave's reply. A read reply can never equal its request (its third byte is
// the byte count, where the request has the first register), so a read whose reply starts with the
// request just sent has met such an adapter. From then on, for the rest of the connection, the echo
// is read and checked before every reply; an echo that differs from the request fails like a bad
// CRC. A write's reply equals its request, so a write is never taken as answered by an echo alone:
// with echo handling on, its reply must follow the echo.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "port/Port.h"
#include "traffic/Frame.h"

class CAdapterEcho {
public:
    // On from the start (the operator knows the adapter echoes).
    void TurnOn() { m_on = true; }
    bool IsOn() const { return m_on; }
    // How the operator is told, once, that echo handling came on by itself; by default the log
    // service's diagnostic output. Called on the thread that runs the exchanges.
    void SetNotice(std::function<void()> notice) { m_notice = std::move(notice); }

    // After a read whose reply did not check: true, and echo handling is on from now on, when the
    // bytes received begin with the request just sent.
    bool Recognise(std::span<const std::uint8_t> request, std::span<const std::uint8_t> received);

    // Reads the echo of `request` within the port's limits for that many bytes. Outcome::Ok when it
    // came back unchanged, Timeout or Short when (some of) it did not come, WrongEcho when it differs;
    // PortFailure when the port failed. `echo` receives what was read.
    traffic::Outcome Read(port::IPort& port, std::span<const std::uint8_t> request,
                          std::span<std::uint8_t>& echo);

    static constexpr const char* kNoticeText = "the adapter echoes what it sends; echo handling is on";

private:
    bool m_on = false;
    std::function<void()> m_notice;
    std::uint8_t m_buffer[256] = {};
};
