#pragma once
// libmodbus as the master on the stand-in's line: an implementation independent of the stand-in's
// fault layer and of the tool's own Modbus code.
#include <modbus/modbus.h>

#include <cstdint>
#include <optional>
#include <string>

namespace simtest {

class Master {
public:
    // Connects without parity (a pseudo-terminal ignores it) to the given slave. The stand-in hears only
    // its own speed.
    Master(const std::string& path, int slave, int responseTimeoutMs = 300, int baudRate = 19200);
    Master(const Master&) = delete;
    Master& operator=(const Master&) = delete;
    ~Master();

    bool Connected() const { return m_connected; }
    // The register's value, or nullopt with the libmodbus error in LastErrno().
    std::optional<std::uint16_t> ReadHolding(int reg);
    std::optional<std::uint16_t> ReadInput(int reg);
    bool Write(int reg, std::uint16_t value);
    int LastErrno() const { return m_errno; }
    modbus_t* Context() { return m_context; }

private:
    modbus_t* m_context = nullptr;
    bool m_connected = false;
    int m_errno = 0;
};

}  // namespace simtest
