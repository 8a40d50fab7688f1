#pragma once
// What this tool knows of the controller, in one place for the core and every front end: where its
// settings live, the addresses it can take, the settings it leaves the factory with, and the serial
// settings the tool offers. The stand-in (sim/) keeps its own register map on purpose: it plays the
// controller from its description, so a wrong number here fails a test instead of agreeing with itself.
#include <algorithm>
#include <array>
#include <cstdint>

#include "device/Ardeno.h"
#include "res/Strings.h"

// Input registers.
inline constexpr std::uint16_t kFirmwareRegister = 0;  // major version × 100 + minor
inline constexpr std::uint16_t kModelRegister = 2;
// Holding registers.
inline constexpr std::uint16_t kConfRegister = 32;  // status when read, command when written
inline constexpr std::uint16_t kAddressRegister = 33;
inline constexpr std::uint16_t kBaudRateRegister = 34;  // in units of 100 baud
inline constexpr std::uint16_t kCommModeRegister = 35;

// The Modbus slave addresses a controller can take.
inline constexpr std::uint8_t kFirstAddress = 1;
inline constexpr std::uint8_t kLastAddress = 247;
constexpr bool IsSlaveAddress(unsigned value) {
    return value >= kFirstAddress && value <= kLastAddress;
}

// Where a new controller answers: address 16 at 19200 baud, Even parity, one stop bit.
inline constexpr std::uint8_t kFactoryAddress = 16;
inline constexpr std::uint32_t kFactoryBaudRate = 19200;
inline constexpr CArdeno::ECommModeSetting kFactoryCommMode = CArdeno::ModeEven1Stop;

// The selectable serial settings, shared by the windows and the command-line tool. A list that offers
// them holds them in this order, so a list index is a table index.
inline constexpr std::array<std::uint32_t, 4> BaudRateTable{9600, 19200, 38400, 57600};

// A speed the tool can set a line to and write as a new setting. The controller may report others.
constexpr bool IsOfferedBaudRate(std::uint32_t baudRate) {
    return std::find(BaudRateTable.begin(), BaudRateTable.end(), baudRate) != BaudRateTable.end();
}

struct CommModeEntry {
    unsigned m_nameId;        // string-table id of the text
    std::uint8_t m_parity;    // 0 none, 1 odd, 2 even
    std::uint8_t m_stopBits;  // 0 one, 2 two
    CArdeno::ECommModeSetting m_mode;
};

inline constexpr std::array<CommModeEntry, 4> CommModeTable{{
    {res::IDS_MODE_EVEN_1STOP, 2, 0, CArdeno::ModeEven1Stop},
    {res::IDS_MODE_ODD_1STOP, 1, 0, CArdeno::ModeOdd1Stop},
    {res::IDS_MODE_NONE_2STOP, 0, 2, CArdeno::ModeNone2Stop},
    {res::IDS_MODE_NONE_1STOP, 0, 0, CArdeno::ModeNone1Stop},
}};
