// The Modbus master against a hand-driven peer on a real pseudo-terminal: exact request bytes, replies
// broken at an exact byte, and the port failing.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <thread>

#include "modbus/Modbus.h"
#include "modbus/ModbusSlave.h"
#include "platform/AppErrors.h"
#include "platform/LastError.h"
#include "port/ComDevice.h"
#include "tests/integration/modbus/RtuBytes.h"
#include "tests/integration/port/PtyPeer.h"

namespace {

using namespace std::chrono_literals;
using rtu::Bytes;

constexpr std::uint8_t kSlave = 1;
constexpr std::uint16_t kUntouched = 0xDEAD;

class ModbusWire : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_port.Open(m_peer.Path(), 19200, 2, 0)); }

    // Reads one register through the slave with a sentinel in the destination.
    bool ReadOne(int function, std::uint16_t reg, std::uint16_t& value) {
        value = kUntouched;
        return function == 3 ? m_slave.ReadHoldingRegisters(reg, 1, &value)
                             : m_slave.ReadInputRegisters(reg, 1, &value);
    }

    PtyPeer m_peer;
    CComDevice m_port;
    CModbus m_modbus{&m_port};
    CModbusSlave m_slave{&m_modbus, kSlave};
};

TEST_F(ModbusWire, RequestsGoOutByteExactAndRepliesDecode) {
    struct Case {
        const char* name;
        std::function<bool(CModbusSlave&, std::uint16_t&)> call;
        Bytes request;
        Bytes reply;
        std::uint16_t value;
    };
    const Case cases[] = {
        {"read holding 0",
         [](CModbusSlave& s, std::uint16_t& v) { return s.ReadHoldingRegisters(0, 1, &v); },
         {0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0A},
         rtu::ReadReply(kSlave, 3, {0xFEDC}),
         0xFEDC},
        {"read input 2",
         [](CModbusSlave& s, std::uint16_t& v) { return s.ReadInputRegisters(2, 1, &v); },
         {0x01, 0x04, 0x00, 0x02, 0x00, 0x01, 0x90, 0x0A},
         {0x01, 0x04, 0x02, 0x12, 0x34, 0xB4, 0x47},
         0x1234},
        {"write 3 to register 1",
         [](CModbusSlave& s, std::uint16_t&) { return s.WriteRegister(1, 3); },
         {0x01, 0x06, 0x00, 0x01, 0x00, 0x03, 0x98, 0x0B},
         {0x01, 0x06, 0x00, 0x01, 0x00, 0x03, 0x98, 0x0B},
         kUntouched},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes seen;
        m_peer.AnswerLater(1, c.request.size(), [&](std::size_t, const Bytes& request) {
            seen = request;
            return c.reply;
        });
        std::uint16_t value = kUntouched;
        EXPECT_TRUE(c.call(m_slave, value)) << platform::GetLastError();
        EXPECT_EQ(value, c.value);
        m_peer.JoinSender();
        EXPECT_EQ(seen, c.request);
    }
    EXPECT_FALSE(m_slave.IsPortFailed());
}

// Replies of the expected length that only a byte-exact peer produces; the stand-in covers the rest.
TEST_F(ModbusWire, RepliesFailingValidationGiveCrcErrorAndLeaveTheDestination) {
    struct Case {
        const char* name;
        bool write;  // a write of 7 to register 33 instead of a read of input register 2
        Bytes reply;
    };
    const Case cases[] = {
        {"function 3 to a function-4 request", false, rtu::ReadReply(kSlave, 3, {0x1234})},
        {"byte count 4 with a valid CRC", false, rtu::WithCrc({kSlave, 4, 4, 0x12, 0x34})},
        {"CRC bytes exchanged", false,
         [] {
             Bytes b = rtu::ReadReply(kSlave, 4, {0x1234});
             std::swap(b[5], b[6]);
             return b;
         }()},
        {"echo of another register", true, rtu::Request(kSlave, 6, 34, 7)},
        {"echo of another value", true, rtu::Request(kSlave, 6, 33, 8)},
        {"echo with function 3", true, rtu::Request(kSlave, 3, 33, 7)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_peer.AnswerLater(1, 8, [&](std::size_t, const Bytes&) { return c.reply; });
        std::uint16_t value = 0;
        EXPECT_FALSE(c.write ? m_slave.WriteRegister(33, 7) : ReadOne(4, 2, value));
        EXPECT_EQ(platform::GetLastError(), ERROR_CRC);
        EXPECT_EQ(value, c.write ? 0 : kUntouched);
        EXPECT_FALSE(m_slave.IsPortFailed());
        m_peer.JoinSender();
    }
}

// Bytes that come after a read has ended must not be taken for the next reply: after a failed read the
// late-reply guard drops them before the next request goes out; after a success the purge does.
TEST_F(ModbusWire, LateAndStrayBytesNeverPassForTheNextReply) {
    const Bytes good = rtu::ReadReply(kSlave, 3, {0x0042});
    struct Case {
        const char* name;
        Bytes first;
        Bytes tail;  // arrives 250 ms after the first request, when its read has ended
        bool firstOk;
        std::chrono::milliseconds pause;  // before the second request
    };
    const Case cases[] = {
        {"tail of a short reply", Bytes(good.begin(), good.end() - 1), Bytes{good.back()}, false, 0ms},
        {"a whole late reply", {}, rtu::ReadReply(kSlave, 3, {0x0666}), false, 0ms},
        {"a late exception", {}, rtu::WithCrc({kSlave, 0x83, 2}), false, 0ms},
        {"excess of a long reply", good, Bytes{0x01, 0x03, 0x02}, true, 500ms},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_peer.AnswerLater(2, 8, [&](std::size_t i, const Bytes&) {
            if (i == 0) {
                m_peer.Send(c.first);
                std::this_thread::sleep_for(250ms);
                return c.tail;
            }
            return good;
        });
        std::uint16_t value = 0;
        EXPECT_EQ(ReadOne(3, 0, value), c.firstOk);
        std::this_thread::sleep_for(c.pause);
        EXPECT_TRUE(ReadOne(3, 0, value)) << platform::GetLastError();
        EXPECT_EQ(value, 0x0042);
        m_peer.JoinSender();
    }
}

// An exception reply ends the read as soon as its five bytes are in: a read of 30 registers, with a
// total limit of 700 ms, shows that it did not wait. Anything else of that length is a short reply.
TEST_F(ModbusWire, ExceptionRepliesAreRecognisedAtOnce) {
    struct Case {
        const char* name;
        Bytes reply;
        std::uint32_t error;
    };
    Bytes badCrc = rtu::WithCrc({kSlave, 0x83, 2});
    badCrc.back() ^= 0xFF;
    const Case cases[] = {
        {"illegal data address", rtu::WithCrc({kSlave, 0x83, 2}), platform::ModbusExceptionError(2)},
        {"server device busy", rtu::WithCrc({kSlave, 0x83, 6}), platform::ModbusExceptionError(6)},
        {"bad CRC", badCrc, ERROR_TIMEOUT},
        {"another slave", rtu::WithCrc({kSlave + 1, 0x83, 2}), ERROR_TIMEOUT},
        {"another function", rtu::WithCrc({kSlave, 0x84, 2}), ERROR_TIMEOUT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_peer.AnswerLater(1, 8, [&](std::size_t, const Bytes&) { return c.reply; });
        std::vector<std::uint16_t> destination(30, kUntouched);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(m_slave.ReadHoldingRegisters(0, 30, destination.data()));
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(platform::GetLastError(), c.error);
        EXPECT_EQ(took < 450ms, c.error != ERROR_TIMEOUT);
        EXPECT_EQ(destination, std::vector<std::uint16_t>(30, kUntouched));
        EXPECT_FALSE(m_slave.IsPortFailed());
        m_peer.JoinSender();
    }
}

TEST_F(ModbusWire, CountsOutOfRangeThrowAndSendNothing) {
    const std::uint16_t values[124] = {};
    std::uint16_t destination[126] = {};
    const std::function<void()> calls[] = {
        [&] { m_slave.ReadHoldingRegisters(0, 0, destination); },
        [&] { m_slave.ReadHoldingRegisters(0, 126, destination); },
        [&] { m_slave.ReadInputRegisters(0, 0, destination); },
        [&] { m_slave.ReadInputRegisters(0, 126, destination); },
        [&] { m_slave.WriteRegisters(0, 0, values); },
        [&] { m_slave.WriteRegisters(0, 124, values); },
        // Would wrap around to register 0.
        [&] { m_slave.WriteRegisters(0xFFFF, 2, values); },
    };
    for (std::size_t i = 0; i < std::size(calls); ++i) {
        SCOPED_TRACE(i);
        try {
            calls[i]();
            ADD_FAILURE() << "no exception";
        } catch (const std::invalid_argument& error) {
            EXPECT_STREQ(error.what(), "numRegisters");
        }
    }
    EXPECT_TRUE(m_peer.Receive(1, 100ms).empty());
}

TEST_F(ModbusWire, LargestReadTakesA255ByteReply) {
    std::vector<std::uint16_t> values(125);
    for (std::size_t k = 0; k < values.size(); ++k) {
        values[k] = static_cast<std::uint16_t>(0x0101 * k + 0x8000);
    }
    Bytes seen;
    m_peer.AnswerLater(1, 8, [&](std::size_t, const Bytes& request) {
        seen = request;
        return rtu::ReadReply(kSlave, 3, values);
    });
    std::vector<std::uint16_t> destination(125);
    EXPECT_TRUE(m_slave.ReadHoldingRegisters(100, 125, destination.data())) << platform::GetLastError();
    EXPECT_EQ(destination, values);
    m_peer.JoinSender();
    EXPECT_EQ(seen, rtu::Request(kSlave, 3, 100, 125));
}

// The gap rule is seen on a long reply, whose total time-out (50 + 10 * 255 ms) leaves room for it.
TEST_F(ModbusWire, GapBetweenReplyBytesEndsTheReadOnlyWhenTooLong) {
    const std::vector<std::uint16_t> values(125, 0x0707);
    const Bytes reply = rtu::ReadReply(kSlave, 3, values);
    for (const auto gap : {100ms, 300ms}) {
        SCOPED_TRACE(gap.count());
        m_peer.AnswerLater(1, 8, [&](std::size_t, const Bytes&) {
            m_peer.Send(Bytes(reply.begin(), reply.begin() + 10));
            std::this_thread::sleep_for(gap);
            return Bytes(reply.begin() + 10, reply.end());
        });
        std::vector<std::uint16_t> destination(125);
        const bool ok = m_slave.ReadHoldingRegisters(0, 125, destination.data());
        EXPECT_EQ(ok, gap == 100ms);
        if (!ok) {
            EXPECT_EQ(platform::GetLastError(), ERROR_TIMEOUT);
        }
        m_peer.JoinSender();
    }
}

TEST_F(ModbusWire, WriteRegistersWritesAscendingAndStopsAtTheFirstFailure) {
    struct Case {
        const char* name;
        std::uint16_t count;
        std::size_t badEcho;  // index of the write whose echo differs; count: none
    };
    const Case cases[] = {{"all 123", 123, 123}, {"third echo differs", 10, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint16_t> values(c.count);
        for (std::size_t i = 0; i < values.size(); ++i) {
            values[i] = static_cast<std::uint16_t>(1000 + 7 * i);
        }
        const std::size_t answered = std::min<std::size_t>(c.count, c.badEcho + 1);
        std::vector<Bytes> seen;
        m_peer.AnswerLater(answered, 8, [&](std::size_t i, const Bytes& request) {
            seen.push_back(request);
            return i == c.badEcho ? rtu::Request(kSlave, 6, rtu::RegisterOf(request), 0) : request;
        });
        const bool ok = m_slave.WriteRegisters(200, c.count, values.data());
        EXPECT_EQ(ok, c.badEcho == c.count);
        if (!ok) {
            EXPECT_EQ(platform::GetLastError(), ERROR_CRC);
        }
        m_peer.JoinSender();
        EXPECT_TRUE(m_peer.Receive(1, 200ms).empty()) << "a request after the last answered one";
        ASSERT_EQ(seen.size(), answered);
        for (std::size_t i = 0; i < seen.size(); ++i) {
            EXPECT_EQ(seen[i], rtu::Request(kSlave, 6, static_cast<std::uint16_t>(200 + i), values[i]));
        }
    }
}

TEST_F(ModbusWire, PortFailureIsStickyAndCarriesTheSystemCode) {
    m_peer.HangUp();
    std::uint16_t value = 0;
    EXPECT_FALSE(ReadOne(3, 33, value));
    const std::uint32_t readError = platform::GetLastError();
    EXPECT_NE(readError, ERROR_SUCCESS);
    EXPECT_NE(readError, ERROR_TIMEOUT);
    EXPECT_NE(readError, ERROR_CRC);
    EXPECT_EQ(value, kUntouched);
    EXPECT_TRUE(m_slave.IsPortFailed());

    EXPECT_FALSE(m_slave.WriteRegister(33, 5));
    EXPECT_EQ(platform::GetLastError(), static_cast<std::uint32_t>(EIO));

    // Even a later success on a working line does not clear the flag.
    PtyPeer other;
    CComDevice otherPort;
    ASSERT_TRUE(otherPort.Open(other.Path(), 19200, 2, 0));
    m_modbus.m_device = &otherPort;
    other.AnswerLater(1, 8, [](std::size_t, const Bytes&) { return rtu::ReadReply(kSlave, 3, {9}); });
    EXPECT_TRUE(ReadOne(3, 33, value)) << platform::GetLastError();
    EXPECT_TRUE(m_slave.IsPortFailed());
    other.JoinSender();
}

}  // namespace
