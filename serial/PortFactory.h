#pragma once
// Which kind of port a port name stands for.
#include <memory>
#include <string>

#include "platform/Port.h"

// A serial handle for a device path (and for an empty name, before anything was chosen).
std::unique_ptr<platform::IPort> MakePort(const std::string& name);
// False, with kErrorNetworkNotSupported, for a network port's name where there are none (Windows).
bool NetworkPortsSupported(const std::string& name);
