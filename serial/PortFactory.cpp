#include "serial/PortFactory.h"

#include "platform/SerialHandle.h"

std::unique_ptr<platform::IPort> MakePort(const std::string& /*name*/) {
    return std::make_unique<platform::SerialHandle>();
}
