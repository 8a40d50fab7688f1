#include "scan/LateEvidence.h"

#include <algorithm>
#include <span>

#include "modbus/Crc16.h"

namespace {

// A reply later than this after its probe is not looked for: it covers a controller that answers
// 100 ms late with room to spare for a loaded machine.
constexpr std::chrono::milliseconds kLateWindow{400};

// The sender of a whole frame with a valid check, or nobody.
std::optional<std::uint8_t> Sender(std::span<const std::uint8_t> bytes) {
    constexpr std::size_t kShortestFrame = 4;  // address, function, check
    if (bytes.size() < kShortestFrame) {
        return std::nullopt;
    }
    uilib::core::CCrc16 crc(uilib::core::Crc16Modbus);
    crc.Update(bytes.data(), 1, static_cast<int>(bytes.size() - 2));
    std::uint16_t value = 0;
    crc.GetHash(&value);
    const auto received = static_cast<std::uint16_t>(bytes[bytes.size() - 2] | bytes[bytes.size() - 1] << 8);
    if (value != received) {
        return std::nullopt;
    }
    return bytes[0];
}

bool IsStray(traffic::Outcome outcome) {
    using traffic::Outcome;
    switch (outcome) {
        case Outcome::Late:
        case Outcome::Short:
        case Outcome::BadCrc:
        case Outcome::WrongAddress:
        case Outcome::WrongFunction:
        case Outcome::WrongCount:
            return true;
        default:
            return false;
    }
}

}  // namespace

void CLateEvidence::OnFrame(const traffic::Frame& frame) {
    if (frame.direction == traffic::Direction::FromSlave && IsStray(frame.outcome) && frame.length != 0) {
        // A Modbus TCP frame names its unit after the header; TCP has checked its bytes.
        constexpr std::size_t kMbapUnitOffset = 6;
        const bool mbap = frame.framing == traffic::Framing::Mbap;
        m_strays.push_back({frame.time, !mbap ? Sender(frame.Bytes())
                                        : frame.length > kMbapUnitOffset
                                            ? std::optional(frame.bytes[kMbapUnitOffset])
                                            : std::nullopt});
    }
    if (m_tap != nullptr) {
        m_tap->OnFrame(frame);
    }
}

void CLateEvidence::Sent(const ScanCandidate& candidate) {
    const Clock::time_point now = Clock::now();
    while (!m_recent.empty() && now - m_recent.front().sent > kLateWindow) {
        m_recent.pop_front();
    }
    m_recent.push_back({now, candidate});
}

std::vector<ScanCandidate> CLateEvidence::TakeSuspects() {
    std::vector<ScanCandidate> suspects;
    for (const StrayReply& stray : m_strays) {
        for (const Probe& probe : m_recent) {
            const bool named = !stray.sender || *stray.sender == probe.candidate.address;
            const bool before = probe.sent <= stray.seen && stray.seen - probe.sent <= kLateWindow;
            const ScanCandidate& c = probe.candidate;
            if (named && before && m_asked.insert({c.line.baudRate, c.line.modeIndex, c.address}).second) {
                suspects.push_back(c);
            }
        }
    }
    m_strays.clear();
    return suspects;
}
