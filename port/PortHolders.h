#pragma once
// Other programs that hold a serial port open. Exclusive opening keeps out the programs that ask for it,
// but a terminal program that does not ask shares the line: each program then reads part of every
// reply and neither gets whole frames. The operator hears of it before anything is sent.
#include <filesystem>
#include <string>
#include <vector>

struct PortHolder {
    int pid = 0;
    std::string name;  // the program's name as the system gives it ("minicom")
};

// The processes other than this one that have the device open (Linux: their open files under /proc).
// Empty where that cannot be told: a network name, a process of another user whose files are hidden,
// or a system without /proc.
std::vector<PortHolder> OtherHoldersOf(const std::string& devicePath,
                                       const std::filesystem::path& proc = "/proc");

// "also open in process 1234 (minicom)", joined by ", " for several; empty for none.
std::string DescribeHolders(const std::vector<PortHolder>& holders);

// "PORT is also open in process 1234 (minicom): close that program, or it takes part of every reply";
// empty when no other program holds the port.
std::string SharedPortWarning(const std::string& devicePath);
