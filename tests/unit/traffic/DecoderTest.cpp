// The decoder that the traffic window, the command line's trace and the stand-in's log share, and the
// frame buffer between the line's thread and its reader.
#include "traffic/Decoder.h"

#include <gtest/gtest.h>

#include <vector>

#include "traffic/FrameRing.h"

namespace {

using traffic::Direction;
using traffic::Outcome;
using Bytes = std::vector<std::uint8_t>;

traffic::Frame Make(Direction direction, Outcome outcome, const Bytes& bytes, std::size_t expected = 0) {
    return traffic::MakeFrame(direction, outcome, bytes, expected);
}

TEST(Decoder, NamesWhatEachFrameAsksOrAnswers) {
    struct Case {
        Direction direction;
        Bytes bytes;
        const char* meaning;
    };
    const auto to = Direction::ToSlave;
    const auto from = Direction::FromSlave;
    const Case cases[] = {
        {to, {0x10, 0x03, 0x00, 0x22, 0x00, 0x01, 0x27, 0x41}, "16 -> 03 read holding 34 baud (1)"},
        {to, {0x10, 0x03, 0x00, 0x20, 0x00, 0x04, 0x00, 0x00}, "16 -> 03 read holding 32 status (4)"},
        {to, {0x10, 0x04, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00}, "16 -> 04 read input 0 version (1)"},
        {to, {0x10, 0x04, 0x00, 0x02, 0x00, 0x01, 0x00, 0x00}, "16 -> 04 read input 2 model (1)"},
        {to, {0x10, 0x04, 0x00, 0x21, 0x00, 0x01, 0x00, 0x00}, "16 -> 04 read input 33 (1)"},
        {to, {0x10, 0x06, 0x00, 0x21, 0x00, 0x11, 0x00, 0x00}, "16 -> 06 write 33 address = 17"},
        {to, {0x10, 0x06, 0x00, 0x23, 0x00, 0x02, 0x00, 0x00}, "16 -> 06 write 35 mode = 2"},
        {to, {0x10, 0x06, 0x00, 0x20, 0x09, 0x43, 0x00, 0x00}, "16 -> 06 write 32 command = 2371 (save)"},
        {to, {0x10, 0x10, 0x00, 0x21}, "16 -> 10"},
        {from, {0x10, 0x03, 0x02, 0x00, 0xC0, 0x44, 0xE8}, "16 <- 03 [192]"},
        {from, {0x10, 0x03, 0x04, 0x00, 0x01, 0x00, 0x02, 0x00, 0x00}, "16 <- 03 [1, 2]"},
        {from, {0x10, 0x03, 0x04, 0x00, 0x01}, "16 <- 03 []"},  // short: no CRC after the value
        {from, {0x10, 0x83, 0x02, 0x00, 0x00}, "16 <- 83 exception 2: illegal data address"},
        {from, {0x10, 0x86, 0x07, 0x00, 0x00}, "16 <- 86 exception 7"},
        {from, {0x10, 0x06, 0x00, 0x22, 0x01, 0x80, 0x00, 0x00}, "16 <- 06 write 34 baud = 384"},
        {from, {0x10}, "16 <-"},
        {from, {}, "no reply"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(traffic::Meaning(Make(c.direction, Outcome::Ok, c.bytes)), c.meaning);
    }
}

// Modbus TCP frames read past their header, with the transaction number that tells a late reply.
TEST(Decoder, ReadsModbusTcpFramesAfterTheirHeader) {
    const struct {
        Direction direction;
        Outcome outcome;
        Bytes bytes;
        const char* meaning;
        const char* outcomeText;
    } cases[] = {
        {Direction::ToSlave,
         Outcome::Request,
         {0, 7, 0, 0, 0, 6, 0x10, 0x03, 0x00, 0x22, 0x00, 0x01},
         "16 -> 03 read holding 34 baud (1) #7",
         "request"},
        {Direction::FromSlave,
         Outcome::Ok,
         {0, 7, 0, 0, 0, 5, 0x10, 0x03, 0x02, 0x00, 0xC0},
         "16 <- 03 [192] #7",
         "ok"},
        {Direction::FromSlave,
         Outcome::Late,
         {0, 6, 0, 0, 0, 3, 0x10, 0x83, 0x0B},
         "16 <- 83 exception 11: gateway target device failed to respond #6",
         "late, dropped"},
        {Direction::FromSlave,
         Outcome::BadCrc,
         {0, 7, 0, 1, 0, 5, 0x10, 0x03, 0x02, 0x00, 0xC0},
         "16 <- 03 [192] #7",
         "bad MBAP header"},
        {Direction::FromSlave, Outcome::Short, {0, 7, 0, 0}, "<-", "short"},
    };
    for (const auto& c : cases) {
        traffic::Frame frame = Make(c.direction, c.outcome, c.bytes);
        frame.framing = traffic::Framing::Mbap;
        EXPECT_EQ(traffic::Meaning(frame), c.meaning);
        EXPECT_EQ(traffic::OutcomeText(frame), c.outcomeText);
    }
}

TEST(Decoder, WritesOneLineOfTimeMeaningOutcomeAndBytes) {
    traffic::Frame shortReply = Make(Direction::FromSlave, Outcome::Short, {0x10, 0x03, 0x02}, 7);
    const auto origin = shortReply.time - std::chrono::milliseconds(1500);
    EXPECT_EQ(traffic::FormatLine(shortReply, origin),
              "     1.500  16 <- 03 []                                  short: 3 of 7 bytes  10 03 02");
    const traffic::Frame timeout = Make(Direction::FromSlave, Outcome::Timeout, {}, 7);
    EXPECT_EQ(traffic::FormatLine(timeout, timeout.time).substr(12),
              "no reply                                     time-out");
    EXPECT_TRUE(traffic::IsFailure(Outcome::Late));
    EXPECT_FALSE(traffic::IsFailure(Outcome::Reply));
    EXPECT_FALSE(traffic::IsFailure(Outcome::AdapterEcho));
    EXPECT_TRUE(traffic::IsFailure(Outcome::WrongEcho));
}

TEST(FrameRing, KeepsLineOrderAndCountsWhatDidNotFit) {
    traffic::FrameRing ring(3);
    for (std::uint8_t k = 0; k < 5; ++k) {
        ring.OnFrame(Make(Direction::ToSlave, Outcome::Request, {k}));
    }
    std::vector<traffic::Frame> frames = ring.Drain();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].bytes[0], 0);
    EXPECT_EQ(frames[2].bytes[0], 2);
    EXPECT_EQ(ring.Lost(), 2u);
    // Room again once drained, around the end of the slots.
    for (std::uint8_t k = 5; k < 7; ++k) {
        ring.OnFrame(Make(Direction::ToSlave, Outcome::Request, {k}));
    }
    frames = ring.Drain();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[1].bytes[0], 6);
    EXPECT_TRUE(ring.Drain().empty());
}

}  // namespace
