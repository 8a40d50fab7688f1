#pragma once
// What to tell an operator whose port would not open: the line that follows the open failure's message.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// The serial ports that exist under `devices`: the adapters' stable names in serial/by-id first, then
// the USB and on-board UART nodes a controller line is usually on. The 8250 nodes ttyS* are left out:
// the kernel makes them whether a UART is there or not.
std::vector<std::string> ExistingSerialPorts(const std::filesystem::path& devices = "/dev");

// For a port that does not exist (`errorCode` "no such file"): where adapters are listed and the ports
// that exist. Empty for any other error.
std::string MissingPortHint(std::uint32_t errorCode, const std::filesystem::path& devices = "/dev");

// The hint for any open failure: permission (AccessHint) or a missing port; empty for the others.
std::string OpenFailureHint(const std::string& devicePath, std::uint32_t errorCode);

// Why the driver's RS-485 mode could not be turned on for `port` (the port's error `code`), with what to
// try; `leaveOut` says how the operator does without it ("leave out --rs485").
std::string Rs485FailureText(const std::string& port, std::uint32_t code, std::string_view leaveOut);
