#include "modbus/ModbusPacket.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "tests/unit/modbus/ReferenceCrc.h"

namespace {

Bytes FrameOf(const CModbusPacket& packet) {
    return Bytes(packet.m_frame, packet.m_frame + packet.m_length);
}

// What the serial exchange does with a reply: the received bytes land at the start of the frame.
void Receive(CModbusPacket& reply, const Bytes& bytes) {
    std::copy(bytes.begin(), bytes.end(), reply.m_frame);
}

// The bytes with a correct CRC appended (computed independently of the classes under test).
Bytes WithCrc(Bytes bytes) {
    const std::uint16_t crc = BitwiseCrc16Modbus(bytes);
    bytes.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(crc >> 8));
    return bytes;
}

TEST(ModbusPacket, RequestsAreEncodedByteForByte) {
    const struct {
        const char* name;
        std::function<Bytes()> build;
        Bytes expected;
    } cases[] = {
        {"read holding",
         [] {
             CModbusRequestPacket p(1, 3, 0, 1);
             p.AppendCrc();
             return FrameOf(p);
         },
         {0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0A}},
        {"read input",
         [] {
             CModbusRequestPacket p(1, 4, 2, 1);
             p.AppendCrc();
             return FrameOf(p);
         },
         {0x01, 0x04, 0x00, 0x02, 0x00, 0x01, 0x90, 0x0A}},
        {"fields big-endian",
         [] {
             CModbusRequestPacket p(247, 4, 0x1234, 125);
             p.AppendCrc();
             return FrameOf(p);
         },
         WithCrc({0xF7, 0x04, 0x12, 0x34, 0x00, 0x7D})},
        {"write single",
         [] {
             CModbusWritePacket p(1, 1, 3);
             p.AppendCrc();
             return FrameOf(p);
         },
         {0x01, 0x06, 0x00, 0x01, 0x00, 0x03, 0x98, 0x0B}},
        {"write high values",
         [] {
             CModbusWritePacket p(17, 0xABCD, 0xFF01);
             p.AppendCrc();
             return FrameOf(p);
         },
         WithCrc({0x11, 0x06, 0xAB, 0xCD, 0xFF, 0x01})},
        {"reply buffer",
         [] { return FrameOf(CModbusDataPacket(5, 3, 2)); },
         {0x05, 0x03, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.build(), c.expected) << c.name;
    }
}

TEST(ModbusPacket, ReadReplyValidation) {
    const Bytes good{0x01, 0x04, 0x02, 0x12, 0x34, 0xB4, 0x47};
    const struct {
        const char* name;
        Bytes received;
        bool valid;
    } cases[] = {
        {"matching reply", good, true},
        {"CRC bytes swapped", {0x01, 0x04, 0x02, 0x12, 0x34, 0x47, 0xB4}, false},
        {"data corrupted", {0x01, 0x04, 0x02, 0x12, 0x35, 0xB4, 0x47}, false},
        {"other slave", WithCrc({0x02, 0x04, 0x02, 0x12, 0x34}), false},
        {"other function", WithCrc({0x01, 0x03, 0x02, 0x12, 0x34}), false},
        {"byte count disagrees", WithCrc({0x01, 0x04, 0x04, 0x12, 0x34}), false},
        {"exception code padded", WithCrc({0x01, 0x84, 0x02, 0x00, 0x00}), false},
    };
    for (const auto& c : cases) {
        CModbusDataPacket reply(1, 4, 1);
        ASSERT_EQ(reply.m_length, 7);
        Receive(reply, c.received);
        EXPECT_EQ(reply.Validate(), c.valid) << c.name;
    }
}

TEST(ModbusPacket, WriteEchoValidation) {
    const struct {
        const char* name;
        Bytes received;
        bool valid;
    } cases[] = {
        {"exact echo", {0x01, 0x06, 0x00, 0x01, 0x00, 0x03, 0x98, 0x0B}, true},
        {"other value", WithCrc({0x01, 0x06, 0x00, 0x01, 0x00, 0x04}), false},
        {"other register", WithCrc({0x01, 0x06, 0x00, 0x02, 0x00, 0x03}), false},
        {"other slave", WithCrc({0x02, 0x06, 0x00, 0x01, 0x00, 0x03}), false},
        {"CRC bytes swapped", {0x01, 0x06, 0x00, 0x01, 0x00, 0x03, 0x0B, 0x98}, false},
    };
    for (const auto& c : cases) {
        CModbusWritePacket echo(1, 1, 3);
        Receive(echo, c.received);
        EXPECT_EQ(echo.Validate(), c.valid) << c.name;
    }
}

TEST(ModbusPacket, LargestReadReplyFillsTheFrame) {
    CModbusDataPacket reply(9, 3, 125);
    ASSERT_EQ(reply.m_length, 255);
    Bytes bytes{0x09, 0x03, 250};
    for (int k = 0; k < 250; ++k) {
        bytes.push_back(static_cast<std::uint8_t>(k));
    }
    Receive(reply, WithCrc(bytes));
    EXPECT_TRUE(reply.Validate());
}

TEST(ModbusPacket, ReadReplyRefusesCountsOutsideOneTo125) {
    for (const std::uint16_t count : {0, 126, 127, 255, 65535}) {
        try {
            CModbusDataPacket reply(1, 3, count);
            ADD_FAILURE() << count << " accepted, length " << reply.m_length;
        } catch (const std::invalid_argument& error) {
            EXPECT_STREQ(error.what(), "numRegisters");
        }
    }
    EXPECT_EQ(CModbusDataPacket(1, 3, 1).m_length, 7);
}

}  // namespace
