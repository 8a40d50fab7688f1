#pragma once
// Which kind of port a port name stands for.
#include <memory>
#include <string>

#include "port/Port.h"

// A network port for tcp:// and rfc2217:// names, otherwise a serial line for a device path (and for
// an empty name, before anything was chosen).
std::unique_ptr<port::IPort> MakePort(const std::string& name);
