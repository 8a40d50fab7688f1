#include "port/PortFactory.h"

#include "port/NetworkPort.h"
#include "port/SerialLinePort.h"

std::unique_ptr<port::IPort> MakePort(const std::string& name) {
    if (const auto protocol = port::NetworkProtocolOf(name)) {
        return std::make_unique<port::NetworkPort>(*protocol);
    }
    return std::make_unique<port::SerialLinePort>();
}
