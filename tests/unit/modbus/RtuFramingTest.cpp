#include <gtest/gtest.h>

#include <array>
#include <span>
#include <stdexcept>

#include "modbus/Framing.h"
#include "modbus/Modbus.h"
#include "tests/unit/modbus/ReferenceCrc.h"

namespace {

const std::unique_ptr<IFraming> rtu = MakeFraming(Framing::Rtu);

Bytes PduOf(const Bytes& reply) {
    const std::span<const std::uint8_t> pdu = rtu->Pdu(reply);
    return Bytes(pdu.begin(), pdu.end());
}

Bytes Encode(const ModbusRequest& request) {
    std::array<std::uint8_t, kMaxFrameBytes> frame{};
    return Bytes(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(rtu->Encode(request, frame)));
}

// The bytes with a correct CRC appended (computed independently of the framing under test).
Bytes WithCrc(Bytes bytes) {
    const std::uint16_t crc = BitwiseCrc16Modbus(bytes);
    bytes.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(crc >> 8));
    return bytes;
}

TEST(RtuFraming, RequestsAreEncodedByteForByte) {
    const struct {
        const char* name;
        ModbusRequest request;
        Bytes expected;
    } cases[] = {
        {"read holding", {1, 3, 0, 1}, {0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0A}},
        {"read input", {1, 4, 2, 1}, {0x01, 0x04, 0x00, 0x02, 0x00, 0x01, 0x90, 0x0A}},
        {"fields big-endian", {247, 4, 0x1234, 125}, WithCrc({0xF7, 0x04, 0x12, 0x34, 0x00, 0x7D})},
        {"write single", {1, 6, 1, 3}, {0x01, 0x06, 0x00, 0x01, 0x00, 0x03, 0x98, 0x0B}},
        {"write high values", {17, 6, 0xABCD, 0xFF01}, WithCrc({0x11, 0x06, 0xAB, 0xCD, 0xFF, 0x01})},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Encode(c.request), c.expected) << c.name;
    }
}

TEST(RtuFraming, ReplyLengths) {
    EXPECT_EQ(rtu->ReplyLength({5, 3, 0, 1}), 7u);
    EXPECT_EQ(rtu->ReplyLength({5, 4, 0, 2}), 9u);
    EXPECT_EQ(rtu->ReplyLength({5, 3, 0, 125}), 255u);
    EXPECT_EQ(rtu->ReplyLength({5, 6, 0, 125}), 8u);
    EXPECT_EQ(rtu->ExceptionLength(), 5u);
}

TEST(RtuFraming, ReadReplyValidation) {
    const ModbusRequest request{1, 4, 0, 1};
    const Bytes good{0x01, 0x04, 0x02, 0x12, 0x34, 0xB4, 0x47};
    const struct {
        const char* name;
        Bytes received;
        traffic::Outcome outcome;
    } cases[] = {
        {"matching reply", good, traffic::Outcome::Ok},
        {"CRC bytes swapped", {0x01, 0x04, 0x02, 0x12, 0x34, 0x47, 0xB4}, traffic::Outcome::BadCrc},
        {"data corrupted", {0x01, 0x04, 0x02, 0x12, 0x35, 0xB4, 0x47}, traffic::Outcome::BadCrc},
        {"other slave", WithCrc({0x02, 0x04, 0x02, 0x12, 0x34}), traffic::Outcome::WrongAddress},
        {"other function", WithCrc({0x01, 0x03, 0x02, 0x12, 0x34}), traffic::Outcome::WrongFunction},
        {"byte count disagrees", WithCrc({0x01, 0x04, 0x04, 0x12, 0x34}), traffic::Outcome::WrongCount},
        {"exception code padded", WithCrc({0x01, 0x84, 0x02, 0x00, 0x00}), traffic::Outcome::WrongFunction},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rtu->Check(request, c.received), c.outcome) << c.name;
    }
    EXPECT_EQ(PduOf(good), Bytes({0x04, 0x02, 0x12, 0x34}));
}

TEST(RtuFraming, WriteEchoValidation) {
    const ModbusRequest request{1, 6, 1, 3};
    const struct {
        const char* name;
        Bytes received;
        traffic::Outcome outcome;
    } cases[] = {
        {"exact echo", {0x01, 0x06, 0x00, 0x01, 0x00, 0x03, 0x98, 0x0B}, traffic::Outcome::Ok},
        {"other value", WithCrc({0x01, 0x06, 0x00, 0x01, 0x00, 0x04}), traffic::Outcome::WrongEcho},
        {"other register", WithCrc({0x01, 0x06, 0x00, 0x02, 0x00, 0x03}), traffic::Outcome::WrongEcho},
        {"other slave", WithCrc({0x02, 0x06, 0x00, 0x01, 0x00, 0x03}), traffic::Outcome::WrongAddress},
        {"CRC bytes swapped", {0x01, 0x06, 0x00, 0x01, 0x00, 0x03, 0x0B, 0x98}, traffic::Outcome::BadCrc},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rtu->Check(request, c.received), c.outcome) << c.name;
    }
}

TEST(RtuFraming, ExceptionReplyIsWholeAtFiveBytes) {
    const ModbusRequest request{1, 3, 0, 1};
    const Bytes refusal = WithCrc({0x01, 0x83, 0x02});
    const struct {
        const char* name;
        Bytes received;
        bool exception;
    } cases[] = {
        {"refusal", refusal, true},
        {"not all in yet", Bytes(refusal.begin(), refusal.end() - 1), false},
        {"other slave", WithCrc({0x02, 0x83, 0x02}), false},
        {"other function", WithCrc({0x01, 0x84, 0x02}), false},
        {"CRC broken", {0x01, 0x83, 0x02, refusal[3], static_cast<std::uint8_t>(refusal[4] ^ 1)}, false},
        {"a value reply's head", {0x01, 0x03, 0x02, 0x00, 0x07}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rtu->IsExceptionReply(request, c.received), c.exception) << c.name;
    }
    EXPECT_EQ(PduOf(refusal), Bytes({0x83, 0x02}));
}

TEST(RtuFraming, LargestReadReplyFillsTheFrame) {
    Bytes bytes{0x09, 0x03, 250};
    for (int k = 0; k < 250; ++k) {
        bytes.push_back(static_cast<std::uint8_t>(k));
    }
    EXPECT_EQ(rtu->Check({9, 3, 0, 125}, WithCrc(bytes)), traffic::Outcome::Ok);
}

// The count is refused before anything is sent: the port is never touched.
TEST(RtuFraming, ReadRefusesCountsOutsideOneTo125) {
    CModbus modbus(nullptr);
    std::array<std::uint16_t, 256> values{};
    for (const std::uint16_t count : {0, 126, 127, 255, 65535}) {
        try {
            modbus.ReadRegisters(1, 3, 0, count, values.data());
            ADD_FAILURE() << count << " accepted";
        } catch (const std::invalid_argument& error) {
            EXPECT_STREQ(error.what(), "numRegisters");
        }
    }
}

}  // namespace
