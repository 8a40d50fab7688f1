#pragma once
// Conversions between the controller's registers and the values the program works with. Each returns
// whether the value is acceptable; an output written for a refused value is never used.
#include <cstdint>
#include <utility>

#include "device/Ardeno.h"
#include "device/ControllerFacts.h"

struct ModelFromRegister {
    bool operator()(const unsigned short& raw, unsigned short& model) const {
        model = raw;
        return raw != 0;
    }
};

// 205 is version 2.5, 1234 is 12.34.
struct VersionFromRegister {
    bool operator()(const unsigned short& raw, std::pair<int, int>& version) const {
        version = {raw / 100, raw % 100};
        return raw != 0;
    }
};

// 0, 1 and 2 are the controller's statuses; 3 and above are none.
struct ConfStatusFromRegister {
    bool operator()(const unsigned short& raw, CArdeno::ECommConfStatus& status) const {
        if (raw > CArdeno::StatusOther) {
            return false;
        }
        status = static_cast<CArdeno::ECommConfStatus>(raw);
        return true;
    }
};

// The whole register must hold a slave address; 257 is not address 1.
struct AddressFromRegister {
    bool operator()(const unsigned short& raw, unsigned char& address) const {
        address = static_cast<unsigned char>(raw & 0xFF);
        return IsSlaveAddress(raw);
    }
};

// The register counts in units of 100 baud. Every value is a reading the controller may give (48 is
// 4800 baud, 0 is 0): only a write needs one of the speeds this tool offers.
struct BaudRateFromRegister {
    bool operator()(const unsigned short& raw, unsigned long& baudRate) const {
        baudRate = static_cast<unsigned long>(raw) * 100;
        return true;
    }
};

struct CommModeFromRegister {
    bool operator()(const unsigned short& raw, CArdeno::ECommModeSetting& mode) const {
        if (raw > CArdeno::ModeNone1Stop) {
            return false;
        }
        mode = static_cast<CArdeno::ECommModeSetting>(raw);
        return true;
    }
};

// Refuses what the register cannot carry exactly: not a multiple of 100, or 6,553,600 and above.
struct BaudRateToRegister {
    bool operator()(const unsigned long& baudRate, unsigned short& raw) const {
        raw = static_cast<unsigned short>(baudRate / 100);
        return static_cast<unsigned long>(raw) * 100 == baudRate;
    }
};

inline bool ByteToRegister(const unsigned char& value, unsigned short& raw) {
    raw = value;
    return true;
}

template <typename Enum>
bool EnumToRegister(const Enum& value, unsigned short& raw) {
    raw = static_cast<unsigned short>(static_cast<std::uint32_t>(value) & 0xFFFF);
    return true;
}
