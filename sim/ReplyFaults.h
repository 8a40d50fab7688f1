#pragma once
// The faults waiting to be applied to replies, and the byte changes some of them make.
#include <cstdint>
#include <optional>
#include <vector>

#include "sim/ControllerSim.h"

namespace sim {

class FaultList {
public:
    void Add(const ReplyFault& fault) { m_faults.push_back(fault); }
    void Clear() { m_faults.clear(); }
    // The first fault that matches a request, with one use taken from it (a used-up fault is dropped).
    std::optional<ReplyFault> Take(std::uint8_t function, std::uint16_t reg);

private:
    std::vector<ReplyFault> m_faults;
};

// The reply as a fault of this kind puts it on the line. Kinds that only delay, withhold or replace the
// reply leave its bytes unchanged.
std::vector<std::uint8_t> Alter(std::vector<std::uint8_t> reply, FaultKind kind);

}  // namespace sim
