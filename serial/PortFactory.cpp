#include "serial/PortFactory.h"

#include "platform/SerialHandle.h"
#ifndef _WIN32
#include "platform/NetworkPort.h"
#endif

std::unique_ptr<platform::IPort> MakePort(const std::string& name) {
#ifndef _WIN32
    if (const auto protocol = platform::NetworkProtocolOf(name)) {
        return std::make_unique<platform::NetworkPort>(*protocol);
    }
#else
    (void)name;
#endif
    return std::make_unique<platform::SerialHandle>();
}
