#pragma once
// The words for a line's mode (parity and stop bits) as the windows show them.
#include <cstdint>
#include <string>

#include "device/Ardeno.h"
#include "port/ComDevice.h"
#include "traffic/TraceHeader.h"

// "Even, 1 stop bit"; empty for a mode the tool does not know.
std::string ModeName(CArdeno::ECommModeSetting mode);
// The same for a line's parity (0 none, 1 odd, 2 even) and stop bits (0 one, 2 two).
std::string ModeNameOf(std::uint8_t parity, std::uint8_t stopBits);

// "38400 baud, Odd, 1 stop bit, address 16": a whole set of settings in one phrase.
std::string SettingsPhrase(std::uint32_t baudRate, CArdeno::ECommModeSetting mode, unsigned address);
// The port, line settings and address an open connection runs at, for the top of a traffic export.
traffic::TraceSetting TraceSettingOf(const CComDevice& connection);
