#pragma once
// One fuzzed exchange of the master, whatever carries the reply (a pseudo-terminal, a network gateway):
// the request the input asks, the exchange, and the check of its verdict against the oracle's.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "fuzz/RtuOracle.h"
#include "modbus/Modbus.h"
#include "platform/AppErrors.h"
#include "platform/LastError.h"

namespace oracle {

// Three bytes: the function (3, 4 or 6) from the first, register and count or value from the others;
// a read asks for at most four registers, so that replies stay short.
inline Request RequestFrom(const std::uint8_t* data) {
    constexpr std::uint8_t kFunctions[] = {3, 4, 6};
    const std::uint8_t function = kFunctions[data[0] % 3];
    return {0x11, function, static_cast<std::uint16_t>(data[1]),
            static_cast<std::uint16_t>(function == 6 ? data[2] : 1 + data[2] % 4)};
}

// A read reply that begins with the request is taken for an adapter's echo, and the master asks again
// after the guard: that path has tests of its own, and here it would only slow the run down.
inline bool LooksLikeEcho(const Request& request, const Bytes& reply) {
    if (request.function == 6) {
        return false;
    }
    Bytes sent{request.address,
               request.function,
               static_cast<std::uint8_t>(request.reg >> 8),
               static_cast<std::uint8_t>(request.reg),
               static_cast<std::uint8_t>(request.countOrValue >> 8),
               static_cast<std::uint8_t>(request.countOrValue)};
    const std::uint16_t crc = rtu::Crc(sent);
    sent.push_back(static_cast<std::uint8_t>(crc));
    sent.push_back(static_cast<std::uint8_t>(crc >> 8));
    const std::size_t compared = std::min(sent.size(), request.ReplyLength());
    return std::equal(sent.begin(), sent.begin() + static_cast<std::ptrdiff_t>(compared), reply.begin());
}

struct Outcome {
    bool ok = false;
    std::uint32_t error = 0;
    std::uint16_t values[4] = {0xDEAD, 0xDEAD, 0xDEAD, 0xDEAD};
    bool portFailed = false;
};

inline Outcome Ask(CModbus& modbus, const Request& request) {
    Outcome outcome;
    outcome.ok = request.function == 6
                     ? modbus.WriteRegister(request.address, request.reg, request.countOrValue)
                     : modbus.ReadRegisters(request.address, request.function, request.reg,
                                            request.countOrValue, outcome.values);
    outcome.error = platform::GetLastError();
    outcome.portFailed = modbus.m_portFailed;
    return outcome;
}

// Aborts unless the master's verdict and values are the oracle's for a reply that arrived in full.
inline void Check(const Outcome& outcome, const Request& request, const Expected& expected) {
    switch (expected.verdict) {
        case Verdict::Ok:
            if (!outcome.ok) {
                std::abort();
            }
            for (std::size_t k = 0; k < expected.values.size(); ++k) {
                if (outcome.values[k] != expected.values[k]) {
                    std::abort();
                }
            }
            break;
        case Verdict::Exception:
            if (outcome.ok || outcome.error != platform::ModbusExceptionError(expected.exceptionCode)) {
                std::abort();
            }
            break;
        case Verdict::BadReply:
            if (outcome.ok || outcome.error != ERROR_CRC) {
                std::abort();
            }
            break;
        case Verdict::Short:
            std::abort();  // replies are padded to their length: cannot happen
    }
    if (!outcome.ok && request.function != 6 && outcome.values[0] != 0xDEAD) {
        std::abort();  // a failed read leaves the destination alone
    }
    if (outcome.portFailed) {
        std::abort();
    }
}

}  // namespace oracle
