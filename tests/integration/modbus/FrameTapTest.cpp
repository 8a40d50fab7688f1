// The frame tap against a hand-driven peer on a real pseudo-terminal: every outcome a reply can have,
// the bytes the late-reply guard drops, and a port that fails.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "modbus/Modbus.h"
#include "modbus/ModbusSlave.h"
#include "port/ComDevice.h"
#include "tests/integration/modbus/RtuBytes.h"
#include "tests/integration/port/PtyPeer.h"
#include "traffic/Frame.h"

namespace {

using namespace std::chrono_literals;
using rtu::Bytes;
using traffic::Direction;
using traffic::Outcome;

constexpr std::uint8_t kSlave = 1;

struct Recorder final : traffic::IFrameObserver {
    void OnFrame(const traffic::Frame& frame) override { frames.push_back(frame); }
    std::vector<traffic::Frame> frames;
};

Bytes BytesOf(const traffic::Frame& frame) {
    return {frame.bytes, frame.bytes + frame.length};
}

class FrameTap : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_port.Open(m_peer.Path(), 19200, 2, 0));
        m_modbus.SetFrameObserver(&m_tap);
    }

    PtyPeer m_peer;
    CComDevice m_port;
    CModbus m_modbus{&m_port};
    CModbusSlave m_slave{&m_modbus, kSlave};
    Recorder m_tap;
};

TEST_F(FrameTap, ReportsTheRequestAndWhatBecameOfItsReply) {
    const Bytes good = rtu::ReadReply(kSlave, 3, {0x00C0});
    Bytes badCrc = good;
    badCrc.back() ^= 0xFF;
    struct Case {
        Outcome outcome;
        bool write;  // a write of 7 to register 33 instead of a read of holding register 34
        Bytes reply;
    };
    const Case cases[] = {
        {Outcome::Ok, false, good},
        {Outcome::Timeout, false, {}},
        {Outcome::Short, false, Bytes(good.begin(), good.end() - 1)},
        {Outcome::BadCrc, false, badCrc},
        {Outcome::WrongAddress, false, rtu::ReadReply(kSlave + 1, 3, {0x00C0})},
        {Outcome::WrongFunction, false, rtu::ReadReply(kSlave, 4, {0x00C0})},
        {Outcome::WrongCount, false, rtu::WithCrc({kSlave, 3, 4, 0x00, 0xC0})},
        {Outcome::WrongEcho, true, rtu::Request(kSlave, 6, 33, 8)},
        {Outcome::Exception, false, rtu::WithCrc({kSlave, 0x83, 2})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.outcome));
        m_tap.frames.clear();
        m_peer.AnswerLater(1, 8, [&](std::size_t, const Bytes&) { return c.reply; });
        std::uint16_t value = 0;
        const auto before = traffic::Clock::now();
        const bool ok = c.write ? m_slave.WriteRegister(33, 7) : m_slave.ReadHoldingRegisters(34, 1, &value);
        EXPECT_EQ(ok, c.outcome == Outcome::Ok);
        m_peer.JoinSender();
        ASSERT_EQ(m_tap.frames.size(), 2u);
        const traffic::Frame& request = m_tap.frames[0];
        const traffic::Frame& reply = m_tap.frames[1];
        EXPECT_EQ(request.direction, Direction::ToSlave);
        EXPECT_EQ(request.outcome, Outcome::Request);
        EXPECT_EQ(BytesOf(request),
                  c.write ? rtu::Request(kSlave, 6, 33, 7) : rtu::Request(kSlave, 3, 34, 1));
        EXPECT_EQ(reply.direction, Direction::FromSlave);
        EXPECT_EQ(reply.outcome, c.outcome);
        EXPECT_EQ(BytesOf(reply), c.reply);
        EXPECT_EQ(reply.expected, c.write ? 8 : 7);
        EXPECT_LE(before, request.time);
        EXPECT_LE(request.time, reply.time);
    }
}

// A read of 30 registers has 700 ms for its reply, and the guard then waits for 700 ms of quiet: a reply
// 1000 ms after the request lands in the guard's wait with wide margins either side.
TEST_F(FrameTap, BytesTheGuardDropsAreLateFrames) {
    const Bytes late = rtu::ReadReply(kSlave, 3, std::vector<std::uint16_t>(30, 0x0666));
    const Bytes good = rtu::ReadReply(kSlave, 3, std::vector<std::uint16_t>(30, 0x0042));
    m_peer.AnswerLater(2, 8, [&](std::size_t i, const Bytes&) {
        if (i == 0) {
            std::this_thread::sleep_for(1000ms);
            return late;
        }
        return good;
    });
    std::vector<std::uint16_t> values(30);
    EXPECT_FALSE(m_slave.ReadHoldingRegisters(0, 30, values.data()));
    EXPECT_TRUE(m_slave.ReadHoldingRegisters(0, 30, values.data()));
    m_peer.JoinSender();
    std::vector<std::pair<Outcome, Bytes>> seen;
    for (const traffic::Frame& frame : m_tap.frames) {
        seen.emplace_back(frame.outcome, BytesOf(frame));
    }
    const Bytes request = rtu::Request(kSlave, 3, 0, 30);
    const std::vector<std::pair<Outcome, Bytes>> expected = {{Outcome::Request, request},
                                                             {Outcome::Timeout, {}},
                                                             {Outcome::Late, late},
                                                             {Outcome::Request, request},
                                                             {Outcome::Ok, good}};
    EXPECT_EQ(seen, expected);
}

// Bytes no request asked for, waiting before a request or while the master listens after a whole reply, are
// traced as late and counted as evidence that the line is out of step; a clean exchange is not.
TEST_F(FrameTap, StrayBytesAreLateFramesAndEvidence) {
    const Bytes good = rtu::ReadReply(kSlave, 3, {0x0042});
    const Bytes stray = {0x10, 0x03, 0x02, 0x00};
    struct Case {
        const char* name;
        bool before;
        bool trailing;
    };
    for (const Case& c : {Case{"clean", false, false}, Case{"waiting before the request", true, false},
                          Case{"while listening after the reply", false, true}}) {
        SCOPED_TRACE(c.name);
        m_tap.frames.clear();
        if (c.before) {
            m_peer.Send(stray);
            std::this_thread::sleep_for(100ms);
        }
        Bytes reply = good;
        if (c.trailing) {
            reply.insert(reply.end(), stray.begin(), stray.end());
        }
        m_peer.AnswerLater(1, 8, [&](std::size_t, const Bytes&) { return reply; });
        const std::uint64_t evidence = m_modbus.Evidence();
        std::uint16_t value = 0;
        EXPECT_TRUE(m_slave.ReadHoldingRegisters(0, 1, &value));
        m_peer.JoinSender();
        EXPECT_EQ(value, 0x0042);
        Bytes late;
        for (const traffic::Frame& frame : m_tap.frames) {
            if (frame.outcome == Outcome::Late) {
                late.insert(late.end(), frame.bytes, frame.bytes + frame.length);
            }
        }
        EXPECT_EQ(late, c.before || c.trailing ? stray : Bytes{});
        EXPECT_EQ(m_modbus.Evidence() - evidence, c.before || c.trailing ? 1u : 0u);
    }
}

TEST_F(FrameTap, APortFailureIsTheLastFrame) {
    m_peer.HangUp();
    std::uint16_t value = 0;
    EXPECT_FALSE(m_slave.ReadHoldingRegisters(0, 1, &value));
    ASSERT_FALSE(m_tap.frames.empty());
    EXPECT_EQ(m_tap.frames.back().outcome, Outcome::PortFailure);
}

}  // namespace
