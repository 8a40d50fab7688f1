#pragma once
// The candidates of a scan for a controller whose line settings and address are unknown, in the order
// they are tried: the most likely first, each one once.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/ControllerFacts.h"

// One line setting: a baud rate of BaudRateTable and a row of CommModeTable.
struct LineSettings {
    std::uint32_t baudRate = kFactoryBaudRate;
    std::size_t modeIndex = kFactoryCommMode;  // CommModeTable lists the modes in their order

    friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

struct ScanCandidate {
    LineSettings line;
    std::uint8_t address = kFactoryAddress;

    friend bool operator==(const ScanCandidate&, const ScanCandidate&) = default;
};

inline constexpr ScanCandidate kFactorySettings{{kFactoryBaudRate, kFactoryCommMode}, kFactoryAddress};

// The remembered settings (when there are any), the factory settings, the factory address at every
// line setting, then every address at each line setting. The address sweeps start with the remembered
// line setting and the factory one (an address changed alone is the likeliest case); the others follow
// fastest first, since a sweep at 57600 baud costs a third of one at 9600.
std::vector<ScanCandidate> PlanScan(const std::optional<ScanCandidate>& remembered);

// Every address at one line setting, `guess` first: for a line whose settings cannot be changed from here.
std::vector<ScanCandidate> PlanAddressScan(const ScanCandidate& guess);

// A transparent bridge (tcp://) passes bytes at its serial side's own line settings, which cannot be
// set from here: a scan through it searches addresses only.
bool SearchesAddressesOnly(const std::string& devicePath);
// The plan for the port: PlanAddressScan at the guess (the factory settings when there is none)
// through a transparent bridge, PlanScan on any other port.
std::vector<ScanCandidate> PlanScanOn(const std::string& devicePath,
                                      const std::optional<ScanCandidate>& guess);

// The plan without the candidates at `addresses` (controllers already known on the line).
std::vector<ScanCandidate> LeaveOut(std::vector<ScanCandidate> plan, const std::vector<unsigned>& addresses);

// "38400 baud, None, 2 stop bits"
std::string DescribeLine(const LineSettings& line);
// "38400 baud, None, 2 stop bits, address 123"
std::string DescribeCandidate(const ScanCandidate& candidate);
