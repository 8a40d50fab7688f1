#pragma once
// The serial ports the system reports now, for the connection dialog's list; the rules that pick and
// name the entries are in present/PortRules.h.
#include <functional>
#include <vector>

#include "present/PortRules.h"

// Where the port list comes from: the system, or a test's stand-in.
using PortSource = std::function<std::vector<PortFacts>()>;
std::vector<PortFacts> SystemPorts();
