#pragma once
// The stand-in served as Modbus TCP: a libmodbus TCP server (modbus_tcp_listen/accept) whose requests
// the controller answers as if they had come over its line, so that the register map, the save and the
// refusals are the line's own. It stands for a translating gateway with the controller behind it: a
// request for another unit gets exception 0x0B (the gateway's target did not respond), as a gateway
// whose serial side has no such unit answers. Several clients may be connected at once.
#include <cstdint>
#include <string>
#include <thread>

#include "sim/ControllerSim.h"

typedef struct _modbus modbus_t;

namespace sim {

class TcpFront {
public:
    // Listens on HOST:PORT (port 0: one the system picks, see Port()). Throws std::system_error when
    // it cannot.
    TcpFront(ControllerSim& controller, const std::string& host, std::uint16_t port);
    TcpFront(const TcpFront&) = delete;
    TcpFront& operator=(const TcpFront&) = delete;
    ~TcpFront();

    std::uint16_t Port() const { return m_port; }

private:
    void Run();

    ControllerSim& m_controller;
    modbus_t* m_context = nullptr;
    int m_listener = -1;
    int m_wakeFd = -1;
    std::uint16_t m_port = 0;
    std::thread m_thread;
};

// The host and port of a tcp://HOST:PORT name; false when the name is not one.
bool ParseListenName(const std::string& name, std::string& host, std::uint16_t& port);

}  // namespace sim
