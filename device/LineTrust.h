#pragma once
// Whether a value read on the line may be believed at once. RTU replies to reads name no register, so
// a reply that is very late or sent twice passes for the next request's. Once the transport has
// evidence that the line is out of step, the line is unsettled: every value then counts only when a
// second clean read of its register (no evidence came with either) agrees. It settles again after a whole
// poll round (every polled variable answered once, each reply followed by the transport's listening
// time) without evidence. A register the slave refuses is answered too, so that it does not keep the
// line unsettled and every other value read twice. A prompt, clean line never pays.
#include <cstddef>
#include <cstdint>
#include <set>

class CLineTrust {
public:
    // Before a read: true when its value may be believed without a second read.
    bool Settled(std::uint64_t evidence) const { return m_settled && evidence == m_evidence; }
    // After a polled variable's read; answered: a whole reply came (a value, or a refusal: either way
    // the slave was heard in step); before and after are the transport's evidence counts around it,
    // roundSize the number of polled variables.
    void Note(int varId, bool answered, std::uint64_t before, std::uint64_t after, std::size_t roundSize);
    // Asks for confirmed values until the next clean round, whatever the line showed.
    void Unsettle();

private:
    std::uint64_t m_evidence = 0;
    bool m_settled = true;
    std::set<int> m_clean;  // polled variables read without evidence since the last evidence
};
