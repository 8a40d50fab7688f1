// Each injected fault as it shows on the wire, against the same request answered without it.
#include <gtest/gtest.h>

#include "sim/ControllerSim.h"
#include "sim/RtuFrame.h"
#include "tests/integration/sim/RawLine.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using sim::FaultKind;

const Bytes kReadBaud = {16, 3, 0, sim::kRegBaud, 0, 1};
const Bytes kWriteMode = {16, 6, 0, sim::kRegMode, 0, 2};

bool CrcValid(const Bytes& frame) {
    return frame.size() >= 3 && sim::Crc16(frame) == 0;
}

Bytes Exchange(sim::ControllerSim& controller, const Bytes& request, std::size_t expected) {
    simtest::RawLine line(controller.DevicePath());
    line.SendWithCrc(request);
    return line.Reply(expected, 150ms);
}

struct ByteFault {
    const char* name;
    sim::ReplyFault fault;
    const Bytes& request;
    std::uint16_t modeAfter;  // what register 35 holds after the request
    Bytes (*expected)(Bytes normal);
};

TEST(Faults, EachByteFaultAltersTheReplyAsDescribed) {
    const ByteFault cases[] = {
        {"no reply", {.kind = FaultKind::NoReply}, kWriteMode, 2, [](Bytes) { return Bytes{}; }},
        {"bad CRC",
         {.kind = FaultKind::BadCrc},
         kReadBaud,
         0,
         [](Bytes b) {
             b.back() ^= 0xFF;
             return b;
         }},
        {"other address",
         {.kind = FaultKind::OtherAddress},
         kReadBaud,
         0,
         [](Bytes b) {
             b[0] = 17;
             sim::RewriteCrc(b);
             return b;
         }},
        {"exception",
         {.kind = FaultKind::Exception, .exceptionCode = 6},
         kWriteMode,
         0,
         [](Bytes) {
             Bytes b{16, 0x86, 6, 0, 0};
             sim::RewriteCrc(b);
             return b;
         }},
        {"wrong echo",
         {.kind = FaultKind::WrongEcho},
         kWriteMode,
         2,
         [](Bytes b) {
             b[5] = 3;
             sim::RewriteCrc(b);
             return b;
         }},
        {"short by one",
         {.kind = FaultKind::ShortByOne},
         kReadBaud,
         0,
         [](Bytes b) {
             b.pop_back();
             return b;
         }},
        {"long by one",
         {.kind = FaultKind::LongByOne},
         kReadBaud,
         0,
         [](Bytes b) {
             b.push_back(0);
             return b;
         }},
    };
    for (const ByteFault& c : cases) {
        SCOPED_TRACE(c.name);
        sim::ControllerSim controller;
        const Bytes normal = Exchange(controller, c.request, 8);
        ASSERT_TRUE(CrcValid(normal));
        controller.SetRegister(sim::Table::Holding, sim::kRegMode, 0);

        controller.AddFault(c.fault);
        const Bytes faulty = Exchange(controller, c.request, 9);
        EXPECT_EQ(faulty, c.expected(normal));
        EXPECT_EQ(controller.Register(sim::Table::Holding, sim::kRegMode), c.modeAfter);
        EXPECT_EQ(controller.RequestCount(c.request[1]), 2u);
    }
}

TEST(Faults, LateReplyAndByteGapDelayTheBytesAsAsked) {
    sim::ControllerSim controller;
    simtest::RawLine line(controller.DevicePath());

    controller.AddFault({.kind = FaultKind::LateReply, .delay = 250ms, .times = 1});
    auto sent = std::chrono::steady_clock::now();
    line.SendWithCrc(kReadBaud);
    std::vector<simtest::Arrival> late = line.Collect(7, 1000ms);
    ASSERT_EQ(late.size(), 7u);
    EXPECT_GE(late.front().at - sent, 250ms);
    EXPECT_TRUE(CrcValid(simtest::BytesOf(late)));

    controller.AddFault({.kind = FaultKind::ByteGap, .delay = 250ms, .gapAfter = 3, .times = 1});
    sent = std::chrono::steady_clock::now();
    line.SendWithCrc(kReadBaud);
    std::vector<simtest::Arrival> gapped = line.Collect(7, 1000ms);
    ASSERT_EQ(gapped.size(), 7u);
    // Arrivals are stamped when the test reads them, so a busy machine can only make a byte look later:
    // the fourth byte is bounded from the request, the gap itself with room for a late third stamp.
    EXPECT_GE(gapped[3].at - sent, 250ms);
    EXPECT_GE(gapped[3].at - gapped[2].at, 150ms);
    EXPECT_TRUE(CrcValid(simtest::BytesOf(gapped)));

    controller.AddFault({.kind = FaultKind::Twice, .delay = 250ms, .times = 1});
    sent = std::chrono::steady_clock::now();
    line.SendWithCrc(kReadBaud);
    const std::vector<simtest::Arrival> twice = line.Collect(14, 1000ms);
    ASSERT_EQ(twice.size(), 14u);
    const std::vector<std::uint8_t> bytes = simtest::BytesOf(twice);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 7),
              std::vector<std::uint8_t>(bytes.begin() + 7, bytes.end()));
    EXPECT_TRUE(CrcValid(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 7)));
    EXPECT_GE(twice[7].at - sent, 250ms);
}

TEST(Faults, FiltersAndUseCountsDecideWhichRepliesAreHit) {
    sim::ControllerSim controller;
    simtest::RawLine line(controller.DevicePath());
    const auto exchange = [&](const Bytes& request) {
        line.SendWithCrc(request);
        return line.Reply(8, 200ms).size();
    };
    controller.AddFault({.kind = FaultKind::NoReply, .function = 6, .reg = sim::kRegMode, .times = 2});
    controller.AddFault({.kind = FaultKind::ShortByOne, .times = 1});

    EXPECT_EQ(exchange(kReadBaud), 6u) << "a read only matches the unfiltered fault";
    EXPECT_EQ(exchange(kReadBaud), 7u) << "which is used up";
    EXPECT_EQ(exchange(kWriteMode), 0u);
    EXPECT_EQ(exchange(kWriteMode), 0u);
    EXPECT_EQ(exchange(kWriteMode), 8u) << "two uses, then normal";

    controller.AddFault({.kind = FaultKind::NoReply});
    EXPECT_EQ(exchange(kReadBaud), 0u);
    EXPECT_EQ(exchange(kReadBaud), 0u);
    controller.ClearFaults();
    EXPECT_EQ(exchange(kReadBaud), 7u);
}

struct LengthCase {
    Bytes received;
    std::optional<std::size_t> length;
};

TEST(Faults, RequestFramingAgreesWithTheCrcOfLibmodbusReplies) {
    const LengthCase cases[] = {
        {{16}, std::nullopt},
        {{16, 3}, 8},
        {{16, 4, 0}, 8},
        {{16, 6}, 8},
        {{16, 16, 0, 33, 0}, std::nullopt},
        {{16, 16, 0, 33, 0, 3, 6}, 15},
        {{16, 0x2B, 14, 1}, 0},
    };
    for (const LengthCase& c : cases) {
        EXPECT_EQ(sim::RequestLength(c.received), c.length)
            << "function " << int(c.received.size() > 1 ? c.received[1] : 0);
    }
    sim::ControllerSim controller;
    EXPECT_TRUE(CrcValid(Exchange(controller, kReadBaud, 7)))
        << "the stand-in's CRC differs from libmodbus's";
}

}  // namespace
