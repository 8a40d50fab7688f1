#pragma once
// Puts replies on the controller's end of the line, the way a reply fault says: withheld, late, with a
// gap, or altered. Every wait ends early when the line thread is told to stop or close the line.
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <span>
#include <vector>

#include "sim/ControllerSim.h"
#include "sim/PseudoTerminal.h"
#include "sim/SimClock.h"
#include "traffic/Frame.h"

namespace sim {

class ReplySender {
public:
    // `wakeFd` becomes readable when `interrupted` may have turned true; `lineTap` (may be null) is told
    // every write.
    // The configuration's latency and reply copies apply to every reply.
    ReplySender(const PseudoTerminal& terminal, int wakeFd, std::function<bool()> interrupted,
                traffic::IFrameObserver* lineTap, const Config& config);

    void Send(std::vector<std::uint8_t> reply, const std::optional<ReplyFault>& fault);
    // A request may be echoed, with no latency and no copy.
    void Echo(std::span<const std::uint8_t> request) { WriteToLine(request); }

    // Copies of earlier replies go out at their own time, whatever the line thread is doing: it waits
    // no longer than this, then calls SendDueCopies. max() when none is waiting.
    Clock::time_point NextCopyDue() const;
    void SendDueCopies();

private:
    bool WriteToLine(std::span<const std::uint8_t> bytes);
    // Writes the reply, then, by chance or by fault, arranges its copy.
    void WriteReply(const std::vector<std::uint8_t>& reply,
                    std::optional<std::chrono::microseconds> copyAfter);
    // Sleeps, sending copies that fall due meanwhile, but returns false at once when interrupted.
    bool Pause(std::chrono::microseconds duration);
    std::chrono::microseconds Draw(const DelayRange& range);

    const PseudoTerminal& m_terminal;
    int m_wakeFd;
    std::function<bool()> m_interrupted;
    traffic::IFrameObserver* m_lineTap;
    DelayRange m_latency;
    double m_copyShare;
    DelayRange m_copyDelay;
    std::mt19937 m_random{std::random_device{}()};
    std::multimap<Clock::time_point, std::vector<std::uint8_t>> m_copies;  // by due time
};

}  // namespace sim
