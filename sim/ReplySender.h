#pragma once
// Puts replies on the controller's end of the line, the way a reply fault says: withheld, late, with a
// gap, or altered. Every wait ends early when the line thread is told to stop or close the line.
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "sim/ControllerSim.h"
#include "sim/PseudoTerminal.h"
#include "traffic/Frame.h"

namespace sim {

class ReplySender {
public:
    // `wakeFd` becomes readable when `interrupted` may have turned true; `lineTap` (may be null) is told
    // every write.
    ReplySender(const PseudoTerminal& terminal, int wakeFd, std::function<bool()> interrupted,
                traffic::IFrameObserver* lineTap);

    void Send(std::vector<std::uint8_t> reply, const std::optional<ReplyFault>& fault);

private:
    bool WriteToLine(std::span<const std::uint8_t> bytes);
    // Sleeps, but returns false at once when interrupted.
    bool Pause(std::chrono::milliseconds duration);

    const PseudoTerminal& m_terminal;
    int m_wakeFd;
    std::function<bool()> m_interrupted;
    traffic::IFrameObserver* m_lineTap;
};

}  // namespace sim
