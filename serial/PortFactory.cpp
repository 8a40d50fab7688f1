#include "serial/PortFactory.h"

#include "platform/NetworkPort.h"
#include "platform/SerialHandle.h"

std::unique_ptr<platform::IPort> MakePort(const std::string& name) {
    if (const auto protocol = platform::NetworkProtocolOf(name)) {
        return std::make_unique<platform::NetworkPort>(*protocol);
    }
    return std::make_unique<platform::SerialHandle>();
}
