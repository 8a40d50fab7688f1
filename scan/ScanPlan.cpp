#include "scan/ScanPlan.h"

#include <fmt/format.h>

#include <algorithm>
#include <set>
#include <tuple>

#include "device/ControllerFacts.h"
#include "port/NetworkPort.h"

namespace {

// Every line setting, fastest first; modes in table order.
std::vector<LineSettings> LinesFastestFirst() {
    std::vector<LineSettings> lines;
    for (auto baud = BaudRateTable.rbegin(); baud != BaudRateTable.rend(); ++baud) {
        for (std::size_t mode = 0; mode < CommModeTable.size(); ++mode) {
            lines.push_back({*baud, mode});
        }
    }
    return lines;
}

// Moves `line` to the front, keeping the others in order.
void MoveToFront(std::vector<LineSettings>& lines, const LineSettings& line) {
    const auto found = std::find(lines.begin(), lines.end(), line);
    if (found != lines.end()) {
        std::rotate(lines.begin(), found, found + 1);
    }
}

class CandidateList {
public:
    void Add(const ScanCandidate& candidate) {
        if (m_seen.insert({candidate.line.baudRate, candidate.line.modeIndex, candidate.address}).second) {
            m_candidates.push_back(candidate);
        }
    }
    std::vector<ScanCandidate> Take() { return std::move(m_candidates); }

private:
    std::set<std::tuple<std::uint32_t, std::size_t, std::uint8_t>> m_seen;
    std::vector<ScanCandidate> m_candidates;
};

}  // namespace

std::vector<ScanCandidate> PlanScan(const std::optional<ScanCandidate>& remembered) {
    std::vector<LineSettings> lines = LinesFastestFirst();
    MoveToFront(lines, kFactorySettings.line);
    CandidateList candidates;
    if (remembered) {
        MoveToFront(lines, remembered->line);
        candidates.Add(*remembered);
    }
    candidates.Add(kFactorySettings);
    for (const LineSettings& line : lines) {
        candidates.Add({line, kFactorySettings.address});
    }
    for (const LineSettings& line : lines) {
        for (unsigned address = kFirstAddress; address <= kLastAddress; ++address) {
            candidates.Add({line, static_cast<std::uint8_t>(address)});
        }
    }
    return candidates.Take();
}

std::vector<ScanCandidate> LeaveOut(std::vector<ScanCandidate> plan, const std::vector<unsigned>& addresses) {
    std::erase_if(plan, [&addresses](const ScanCandidate& candidate) {
        return std::find(addresses.begin(), addresses.end(), candidate.address) != addresses.end();
    });
    return plan;
}

std::string DescribeLine(const LineSettings& line) {
    return fmt::format("{} baud, {}", line.baudRate,
                       res::LoadString(CommModeTable.at(line.modeIndex).m_nameId));
}

std::string DescribeCandidate(const ScanCandidate& candidate) {
    return fmt::format("{}, address {}", DescribeLine(candidate.line), unsigned{candidate.address});
}

std::vector<ScanCandidate> PlanAddressScan(const ScanCandidate& guess) {
    CandidateList candidates;
    candidates.Add(guess);
    for (int address = kFirstAddress; address <= kLastAddress; ++address) {
        candidates.Add({guess.line, static_cast<std::uint8_t>(address)});
    }
    return candidates.Take();
}

bool SearchesAddressesOnly(const std::string& devicePath) {
    return port::NetworkProtocolOf(devicePath) == port::NetworkProtocol::Raw;
}

std::vector<ScanCandidate> PlanScanOn(const std::string& devicePath,
                                      const std::optional<ScanCandidate>& guess) {
    return SearchesAddressesOnly(devicePath) ? PlanAddressScan(guess.value_or(kFactorySettings))
                                             : PlanScan(guess);
}
