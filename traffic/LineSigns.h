#pragma once
// What the line did in each exchange, counted from the frame tap, and what that points to. "Nothing
// answered" has many causes with different fixes: silence calls for power, port, address and wiring;
// replies that all arrive broken for the line speed, the parity or swapped data wires; some broken ones
// for termination, bias and noise; a reply from another slave names that slave. The counts tell them
// apart from what was seen, not from what was missing.
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "traffic/Frame.h"

namespace traffic {

// The counts so far; a copy, taken at any time from any thread.
struct LineSignCounts {
    std::uint64_t answered = 0;      // a whole, valid reply
    std::uint64_t refused = 0;       // an exception reply: the slave is there and refused
    std::uint64_t silent = 0;        // not a byte came back
    std::uint64_t damaged = 0;       // bytes came, but no valid reply: checksum, short, wrong count or
                                     // function; or stray bytes right after a good reply
    std::uint64_t echoOnly = 0;      // only the request itself came back: the adapter's echo
    std::uint64_t otherAddress = 0;  // a valid reply from another slave
    std::uint64_t late = 0;          // bytes that came after their exchange had ended
    std::optional<std::uint8_t> lastOtherAddress;

    std::uint64_t Replies() const { return answered + refused + damaged + otherAddress; }
};

enum class LineDiagnosis {
    None,          // no exchange failed, or none was made
    Silence,       // nothing came back at all
    AllDamaged,    // every reply arrived damaged
    SomeDamaged,   // some replies arrived damaged
    EchoOnly,      // the adapter's own echo and nothing else
    OtherAddress,  // another slave answers
    Late,          // replies come, but only after the wait for them ended
};

// What the counts point to, the strongest sign first: another slave answering names it; replies that
// are all damaged say that something is there; only the echo says that nothing is; bytes that came only
// late, with no valid reply, say the wait is too short; then damage among good replies, then silence.
LineDiagnosis Diagnose(const LineSignCounts& counts);

// "exchanges: 12 answered, 3 silent, 5 damaged", the kinds seen only; empty when no exchange was counted.
std::string DescribeSigns(const LineSignCounts& counts);

// True when no byte came back in any failed exchange (or none failed): "nothing answered" rather than
// "no valid reply".
bool NothingCameBack(const LineSignCounts& counts);

// The next step the counts point to, in the words of res/Hints.h; `findWith` names the front end's way to
// find the settings ("'ardenox-cli --port PORT scan'", "Change, then Find"). Silence, or nothing counted
// yet, gets the wiring checklist.
std::string LineHint(const LineSignCounts& counts, std::string_view findWith);

// Fed every frame of a master's tap (the master keeps one); the counts may be read from another thread.
class LineSigns final : public IFrameObserver {
public:
    void OnFrame(const Frame& frame) override;
    LineSignCounts Counts() const;
    // Starts counting afresh; on the tap's thread.
    void Reset();

private:
    void Count(std::atomic<std::uint64_t>& counter) { counter.fetch_add(1, std::memory_order_relaxed); }

    // The last request's bytes, to tell an echo from a reply, and the good reply to it, to tell a copy
    // from stray bytes; tap thread only.
    Frame m_request;
    Frame m_reply;
    bool m_echoSeen = false;
    bool m_replyOk = false;  // the last frame was m_reply
    std::atomic<std::uint64_t> m_answered{0};
    std::atomic<std::uint64_t> m_refused{0};
    std::atomic<std::uint64_t> m_silent{0};
    std::atomic<std::uint64_t> m_damaged{0};
    std::atomic<std::uint64_t> m_echoOnly{0};
    std::atomic<std::uint64_t> m_otherAddress{0};
    std::atomic<std::uint64_t> m_late{0};
    std::atomic<int> m_lastOtherAddress{-1};
};

}  // namespace traffic
