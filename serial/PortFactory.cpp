#include "serial/PortFactory.h"

#include "platform/AppErrors.h"
#include "platform/LastError.h"
#include "platform/NetworkPort.h"
#include "platform/SerialHandle.h"

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

bool NetworkPortsSupported(const std::string& name) {
#ifdef _WIN32
    if (platform::NetworkProtocolOf(name)) {
        platform::SetLastError(platform::kErrorNetworkNotSupported);
        return false;
    }
#else
    (void)name;
#endif
    return true;
}
