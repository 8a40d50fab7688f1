#pragma once
// Short bursts of reply faults, one kind after another, for soak runs: each call gives the next burst.
// Refusals are left out, since a refused request rightly ends a monitoring client.
#include <cstddef>
#include <string>

#include "sim/ControllerSim.h"

namespace sim {

struct FaultBurst {
    std::string name;
    ReplyFault fault;
};

class FaultRotation {
public:
    FaultBurst Next();

private:
    std::size_t m_next = 0;
};

}  // namespace sim
