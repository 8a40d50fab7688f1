#pragma once
// The selectable serial settings, shared by the windows and the command-line tool. A list that offers
// them holds them in this order, so a list index is a table index.
#include <algorithm>
#include <array>
#include <cstdint>

#include "device/Ardeno.h"
#include "res/Strings.h"

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
