// The master speaking Modbus TCP frames to a hand-driven peer on a real pseudo-terminal: a reply to an
// earlier request that lands in a later one's read is traced as late and never taken for its value.
#include <gtest/gtest.h>

#include <vector>

#include "modbus/Modbus.h"
#include "platform/LastError.h"
#include "port/ComDevice.h"
#include "tests/integration/port/PtyPeer.h"

namespace {

using Bytes = PtyPeer::Bytes;

constexpr std::uint8_t kUnit = 16;
constexpr std::size_t kRequestSize = 12;

// The reply to transaction `transaction`: one register holding `value`.
Bytes ReadReply(std::uint16_t transaction, std::uint16_t value) {
    return {static_cast<std::uint8_t>(transaction >> 8),
            static_cast<std::uint8_t>(transaction),
            0,
            0,
            0,
            5,
            kUnit,
            3,
            2,
            static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value)};
}

class Outcomes final : public traffic::IFrameObserver {
public:
    void OnFrame(const traffic::Frame& frame) override {
        if (frame.direction == traffic::Direction::FromSlave) {
            seen.push_back(frame.outcome);
        }
    }
    std::vector<traffic::Outcome> seen;
};

TEST(MbapWire, AnEarlierTransactionsReplyIsLateNeverAValue) {
    PtyPeer peer;
    CComDevice port;
    ASSERT_TRUE(port.Open(peer.Path(), 19200, 2, 0));
    CModbus modbus(&port, traffic::Framing::Mbap);
    Outcomes outcomes;
    modbus.SetFrameObserver(&outcomes);
    // Transaction 1 goes unanswered in its time; its reply comes right after transaction 2's request,
    // ahead of that one's own reply.
    peer.AnswerLater(2, kRequestSize, [](std::size_t request, const Bytes&) {
        return request == 0 ? Bytes{} : [] {
            Bytes both = ReadReply(1, 111);
            const Bytes own = ReadReply(2, 222);
            both.insert(both.end(), own.begin(), own.end());
            return both;
        }();
    });
    std::uint16_t value = 0;
    EXPECT_FALSE(modbus.ReadRegisters(kUnit, 3, 34, 1, &value));
    EXPECT_FALSE(modbus.ReadRegisters(kUnit, 3, 34, 1, &value));
    EXPECT_EQ(platform::GetLastError(), static_cast<std::uint32_t>(ERROR_TIMEOUT));
    EXPECT_EQ(value, 0);
    peer.JoinSender();
    // The next request waits out the rest and reads its own reply.
    peer.AnswerLater(1, kRequestSize, [](std::size_t, const Bytes&) { return ReadReply(3, 333); });
    EXPECT_TRUE(modbus.ReadRegisters(kUnit, 3, 34, 1, &value)) << platform::GetLastError();
    EXPECT_EQ(value, 333);
    peer.JoinSender();
    EXPECT_EQ(outcomes.seen, (std::vector<traffic::Outcome>{traffic::Outcome::Timeout, traffic::Outcome::Late,
                                                            traffic::Outcome::Late, traffic::Outcome::Ok}));
}

}  // namespace
