// Echo handling against a hand-driven peer: what the master takes for an echo, and what it never takes
// for a reply.
#include <gtest/gtest.h>

#include <functional>

#include "modbus/Modbus.h"
#include "modbus/ModbusSlave.h"
#include "platform/LastError.h"
#include "port/ComDevice.h"
#include "tests/integration/modbus/RtuBytes.h"
#include "tests/integration/port/PtyPeer.h"

namespace {

using rtu::Bytes;

constexpr std::uint8_t kSlave = 1;
constexpr std::uint32_t kNoError = 0;

Bytes Joined(Bytes first, const Bytes& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

TEST(AdapterEcho, EchoesAreReadPastAndNeverTakenForAReply) {
    using Answer = std::function<Bytes(const Bytes& request)>;
    const Answer echoThenRead = [](const Bytes& r) { return Joined(r, rtu::ReadReply(kSlave, 3, {0x1234})); };
    const Answer echoThenWrite = [](const Bytes& r) { return Joined(r, r); };
    const Answer echoOnly = [](const Bytes& r) { return r; };
    const Answer alteredEcho = [](const Bytes& r) {
        Bytes echo = r;
        echo[3] ^= 0x01;
        return Joined(echo, rtu::ReadReply(kSlave, 3, {0x1234}));
    };
    struct Case {
        const char* name;
        bool echoOnAtStart;
        bool write;
        Answer answer;
        int requests;  // the peer answers this many, each the same way
        bool succeeds;
        std::uint32_t error;
        bool echoOnAfter;
    };
    const Case cases[] = {
        {"read, echo recognised", false, false, echoThenRead, 2, true, kNoError, true},
        {"read, echo known", true, false, echoThenRead, 1, true, kNoError, true},
        {"write after its echo", true, true, echoThenWrite, 1, true, kNoError, true},
        {"write answered by its echo alone", true, true, echoOnly, 1, false, ERROR_TIMEOUT, true},
        {"read, echo altered", true, false, alteredEcho, 1, false, ERROR_CRC, true},
        // Only a read can tell an echo from a reply; a write's echo looks like its reply.
        {"write, echo unknown", false, true, echoOnly, 1, true, kNoError, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PtyPeer peer;
        CComDevice port;
        ASSERT_TRUE(port.Open(peer.Path(), 19200, 2, 0));
        CModbus modbus(&port);
        modbus.m_echo.SetNotice([] {});
        if (c.echoOnAtStart) {
            modbus.m_echo.TurnOn();
        }
        CModbusSlave slave(&modbus, kSlave);
        const Answer answer = c.answer;
        peer.AnswerLater(static_cast<std::size_t>(c.requests), 8,
                         [answer](std::size_t, const Bytes& request) { return answer(request); });
        std::uint16_t value = 0;
        const bool ok = c.write ? slave.WriteRegister(33, 5) : slave.ReadHoldingRegisters(33, 1, &value);
        EXPECT_EQ(ok, c.succeeds);
        if (!c.succeeds) {
            EXPECT_EQ(platform::GetLastError(), c.error);
        } else if (!c.write) {
            EXPECT_EQ(value, 0x1234);
        }
        EXPECT_EQ(modbus.m_echo.IsOn(), c.echoOnAfter);
        peer.JoinSender();
    }
}

}  // namespace
