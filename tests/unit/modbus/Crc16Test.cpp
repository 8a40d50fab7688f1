#include "modbus/Crc16.h"

#include <gtest/gtest.h>

#include <string_view>

#include "tests/unit/modbus/ReferenceCrc.h"

namespace {

using uilib::core::CCrc16;
using uilib::core::Crc16Modbus;
using uilib::core::Crc16Params;

Bytes Text(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

std::uint16_t HashOf(const uilib::core::IHash& hash) {
    std::uint8_t out[2];
    hash.GetHash(out);
    return static_cast<std::uint16_t>(out[0] | out[1] << 8);  // this machine is little-endian
}

std::uint16_t Crc(const Crc16Params& params, const Bytes& bytes) {
    CCrc16 crc(params);
    crc.Update(bytes.data(), 1, static_cast<int>(bytes.size()));
    return HashOf(crc);
}

// A table for a most-significant-bit-first CRC: entry i is i in the top nibble after four left shifts.
Crc16Params NormalParams(std::uint16_t polynomial, std::uint16_t initial) {
    Crc16Params params{{}, polynomial, false, initial, 0};
    for (unsigned i = 0; i < 16; ++i) {
        auto value = static_cast<std::uint16_t>(i << 12);
        for (int bit = 0; bit < 4; ++bit) {
            value = (value & 0x8000) ? static_cast<std::uint16_t>((value << 1) ^ polynomial)
                                     : static_cast<std::uint16_t>(value << 1);
        }
        params.table[i] = value;
    }
    return params;
}

TEST(Crc16, KnownVectors) {
    const Crc16Params ccittFalse = NormalParams(0x1021, 0xFFFF);
    const Crc16Params xmodem = NormalParams(0x1021, 0x0000);
    const struct {
        const char* name;
        const Crc16Params& params;
        Bytes input;
        std::uint16_t expected;
    } cases[] = {
        {"modbus check", Crc16Modbus, Text("123456789"), 0x4B37},
        {"read holding request", Crc16Modbus, {0x01, 0x03, 0x00, 0x00, 0x00, 0x01}, 0x0A84},
        {"read input request", Crc16Modbus, {0x01, 0x04, 0x00, 0x02, 0x00, 0x01}, 0x0A90},
        {"write request", Crc16Modbus, {0x01, 0x06, 0x00, 0x01, 0x00, 0x03}, 0x0B98},
        {"no data", Crc16Modbus, {}, 0xFFFF},
        {"msb-first check, init FFFF", ccittFalse, Text("123456789"), 0x29B1},
        {"msb-first check, init 0", xmodem, Text("123456789"), 0x31C3},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Crc(c.params, c.input), c.expected) << c.name;
    }
}

TEST(Crc16, ModbusTableMatchesBitwiseDefinition) {
    // Every single byte reaches every table entry through both nibble steps.
    for (unsigned byte = 0; byte < 256; ++byte) {
        const Bytes single{static_cast<std::uint8_t>(byte)};
        ASSERT_EQ(Crc(Crc16Modbus, single), BitwiseCrc16Modbus(single)) << "byte " << byte;
    }
}

TEST(Crc16, SplitUpdatesEqualOneUpdate) {
    const Bytes digits = Text("123456789");
    for (int split = 0; split <= 9; ++split) {
        CCrc16 crc(Crc16Modbus);
        crc.Update(digits.data(), 1, split);
        crc.Update(digits.data() + split, 1, 9 - split);
        EXPECT_EQ(HashOf(crc), 0x4B37) << "split at " << split;
    }
}

TEST(Crc16, SizeTimesCountIsTheByteCount) {
    const Bytes bytes = Text("123456");
    const struct {
        int size;
        int count;
        std::uint16_t expected;
    } cases[] = {
        {2, 3, Crc(Crc16Modbus, bytes)},
        {3, 1, Crc(Crc16Modbus, Text("123"))},
        {1, 0, 0xFFFF},
        {0, 6, 0xFFFF},
        {-1, 6, 0xFFFF},
        {6, -1, 0xFFFF},
        {-2, -3, 0xFFFF},  // a positive product of two negative values is still no data
    };
    for (const auto& c : cases) {
        CCrc16 crc(Crc16Modbus);
        crc.Update(bytes.data(), c.size, c.count);
        EXPECT_EQ(HashOf(crc), c.expected) << c.size << " x " << c.count;
    }
}

TEST(Crc16, ResultCanBeTakenMidStreamAndResetStartsOver) {
    const Bytes digits = Text("123456789");
    CCrc16 engine(Crc16Modbus);
    uilib::core::IHash& hash = engine;
    EXPECT_EQ(HashOf(hash), 0xFFFF);

    hash.Update(digits.data(), 1, 4);
    EXPECT_EQ(HashOf(hash), Crc(Crc16Modbus, Text("1234")));
    hash.Update(digits.data() + 4, 1, 5);
    EXPECT_EQ(HashOf(hash), 0x4B37);

    hash.Reset();
    EXPECT_EQ(HashOf(hash), 0xFFFF);
    EXPECT_EQ(hash.GetBlockSize(), 1);
    EXPECT_EQ(hash.GetHashSize(), 2);
}

}  // namespace
