#pragma once
// A CRC-16 engine that consumes four bits per step with a 16-entry table, so that the whole
// parameter record stays a few dozen bytes.
#include <array>
#include <cstdint>

#include "modbus/Hash.h"

namespace uilib::core {

struct Crc16Params {
    // Entry i: register value i after four single-bit steps of the CRC.
    std::array<std::uint16_t, 16> table;
    // Generator polynomial in normal notation; descriptive only, the table carries it.
    std::uint16_t polynomial;
    // True: bytes are consumed least significant bit first and the register shifts right.
    bool reflected;
    std::uint16_t initialValue;
    std::uint16_t finalXor;
};

// CRC-16/MODBUS: check value 0x4B37.
extern const Crc16Params Crc16Modbus;

class CCrc16 : public IHash {
public:
    // The record is not owned and must outlive the engine.
    explicit CCrc16(const Crc16Params& params) : m_value(params.initialValue), m_params(&params) {}

    int GetBlockSize() const override { return 1; }
    void Reset() override { m_value = m_params->initialValue; }
    void Update(const void* data, int size, int count) override;
    int GetHashSize() const override { return 2; }
    // The 16-bit result in the machine's byte order.
    void GetHash(void* out) const override;

private:
    std::uint16_t m_value;
    const Crc16Params* m_params;
};

}  // namespace uilib::core
