// Which probes a stray reply points back at: those to the address it names, or every recent one when
// it names nobody; each once.
#include <gtest/gtest.h>

#include <vector>

#include "scan/LateEvidence.h"

namespace {

// A reply to a read of one register from `address`, with its check.
std::vector<std::uint8_t> ReplyFrom(std::uint8_t address) {
    std::vector<std::uint8_t> frame{address, 4, 2, 0x0C, 0x1E};
    std::uint16_t crc = 0xFFFF;
    for (const std::uint8_t byte : frame) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) != 0 ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                                 : static_cast<std::uint16_t>(crc >> 1);
        }
    }
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}

TEST(LateEvidence, SuspectsAreTheRecentProbesTheStrayMayAnswer) {
    const ScanCandidate a19200{{19200, 0}, 16};
    const ScanCandidate a57600{{57600, 0}, 16};
    const ScanCandidate b57600{{57600, 0}, 17};
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        traffic::Outcome outcome;
        std::vector<ScanCandidate> suspects;
    };
    const std::vector<std::uint8_t> garbled{0xFF, 0x00, 0x3C};
    const Case cases[] = {
        {"a late frame names its sender", ReplyFrom(16), traffic::Outcome::Late, {a19200, a57600}},
        {"a reply from another address", ReplyFrom(16), traffic::Outcome::WrongAddress, {a19200, a57600}},
        {"bytes that name nobody", garbled, traffic::Outcome::Late, {a19200, a57600, b57600}},
        {"a sender probed by nobody", ReplyFrom(99), traffic::Outcome::Late, {}},
        {"a good reply is no stray", ReplyFrom(17), traffic::Outcome::Ok, {}},
    };
    for (const Case& c : cases) {
        CLateEvidence evidence(nullptr);
        for (const ScanCandidate& probe : {a19200, a57600, b57600}) {
            evidence.Sent(probe);
        }
        evidence.OnFrame(traffic::MakeFrame(traffic::Direction::FromSlave, c.outcome, c.bytes));
        EXPECT_EQ(evidence.TakeSuspects(), c.suspects) << c.name;
        evidence.OnFrame(traffic::MakeFrame(traffic::Direction::FromSlave, c.outcome, c.bytes));
        EXPECT_TRUE(evidence.TakeSuspects().empty()) << c.name << ": each probe is asked again once";
    }
}

}  // namespace
