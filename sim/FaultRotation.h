#pragma once
// Short bursts of reply faults, one kind after another, for soak runs: each call gives the next burst.
// Refusals that stay are left out, since they rightly end a monitoring client; busy is in.
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
