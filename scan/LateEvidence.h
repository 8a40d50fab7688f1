#pragma once
// Replies that no probe of the moment asked for. A scan does not wait out a late reply before its next
// probe: a reply names its sender, so a late one cannot pass for another address's. It is evidence
// instead: a slow controller at the address it names, answering a probe sent shortly before. The scan
// asks those probes again with a longer wait. Bytes that do not form a frame (a reply at another speed,
// a fragment) name nobody, so every recent probe is a suspect.
#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <set>
#include <tuple>
#include <vector>

#include "scan/ScanPlan.h"
#include "traffic/Frame.h"

class CLateEvidence : public traffic::IFrameObserver {
public:
    // Every frame also goes on to `tap` (may be null).
    explicit CLateEvidence(traffic::IFrameObserver* tap) : m_tap(tap) {}

    void OnFrame(const traffic::Frame& frame) override;
    // A probe going out now.
    void Sent(const ScanCandidate& candidate);
    // A reply that `address` sent although it does not answer where it seemed to.
    void Stray(std::uint8_t address) { m_strays.push_back({Clock::now(), address}); }
    // The recent probes that the strays since the last call may answer, each once in a scan.
    std::vector<ScanCandidate> TakeSuspects();

private:
    using Clock = std::chrono::steady_clock;
    struct StrayReply {
        Clock::time_point seen;
        std::optional<std::uint8_t> sender;  // empty when the bytes name nobody
    };
    struct Probe {
        Clock::time_point sent;
        ScanCandidate candidate;
    };

    traffic::IFrameObserver* m_tap;
    std::deque<Probe> m_recent;
    std::vector<StrayReply> m_strays;
    std::set<std::tuple<std::uint32_t, std::size_t, std::uint8_t>> m_asked;
};
