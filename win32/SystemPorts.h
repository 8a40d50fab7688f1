#pragma once
// The serial ports Windows knows now, with what it says of each device: the class "Ports" of the
// device manager through SetupAPI (its description and maker, as "USB Serial Port" by "FTDI"), and the
// ports in HKLM\HARDWARE\DEVICEMAP\SERIALCOMM and the MS-DOS device names "COM%i" that SetupAPI does
// not list (wine maps its COM ports there only).
#include <vector>

#include "present/PortRules.h"

std::vector<PortFacts> SystemPorts();
