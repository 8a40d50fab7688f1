#pragma once
// A local serial line as a port: the system's serial handle behind the port contract. The handle is the
// operating system's part (termios or the Win32 comm calls); this class only gives it the contract's
// shape, so that the master and the connection never tell a local line from a gateway.
#include "platform/SerialHandle.h"
#include "port/Port.h"

namespace port {

class SerialLinePort final : public IPort {
public:
    bool IsNull() const override { return m_handle.IsNull(); }
    bool IsOpen() const override { return m_handle.IsOpen(); }
    bool Open(const std::string& devicePath) override { return m_handle.Open(devicePath); }
    bool Configure(std::uint32_t baudRate, std::uint8_t parity, std::uint8_t stopBits) override {
        return m_handle.Configure(baudRate, parity, stopBits);
    }
    bool SetTimeouts(const platform::ReadTimeouts& timeouts) override {
        return m_handle.SetTimeouts(timeouts);
    }
    const platform::ReadTimeouts& Timeouts() const override { return m_handle.Timeouts(); }
    void RequestLowLatency() override { m_handle.RequestLowLatency(); }
    void Purge() override { m_handle.Purge(); }
    bool EnableRs485() override { return m_handle.EnableRs485(); }
    std::size_t Waiting() const override { return m_handle.Waiting(); }
    bool Write(const std::uint8_t* data, std::size_t size, std::size_t& written) override {
        return m_handle.Write(data, size, written);
    }
    bool Read(std::uint8_t* data, std::size_t size, std::size_t& received) override {
        return m_handle.Read(data, size, received);
    }
    bool Read(std::uint8_t* data, std::size_t size, std::size_t& received,
              const platform::ReadTimeouts& timeouts) override {
        return m_handle.Read(data, size, received, timeouts);
    }
    void Close() override { m_handle.Close(); }
    void Interrupt() override { m_handle.Interrupt(); }

private:
    platform::SerialHandle m_handle;
};

}  // namespace port
