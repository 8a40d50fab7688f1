#pragma once
// What a Modbus RTU master must make of the bytes a slave sent, decided apart from the master's own
// code (a bitwise CRC, not the framing), so that the fuzz targets check verdicts, not only crashes.
#include <cstdint>
#include <vector>

#include "tests/integration/modbus/RtuBytes.h"

namespace oracle {

using Bytes = std::vector<std::uint8_t>;

// The request a reply answers: a one-or-more register read (function 3 or 4) or a single write (6).
struct Request {
    std::uint8_t address;
    std::uint8_t function;
    std::uint16_t reg;
    std::uint16_t countOrValue;

    std::size_t ReplyLength() const { return function == 6 ? 8 : 5 + 2 * std::size_t{countOrValue}; }
};

enum class Verdict { Ok, Exception, BadReply, Short };

struct Expected {
    Verdict verdict;
    std::uint8_t exceptionCode = 0;
    std::vector<std::uint16_t> values;  // for a read that is Ok
};

inline bool CrcHolds(const Bytes& frame, std::size_t length) {
    const Bytes body(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(length - 2));
    const std::uint16_t crc = rtu::Crc(body);
    return frame[length - 2] == (crc & 0xFF) && frame[length - 1] == (crc >> 8);
}

// The verdict on `sent`, all of which arrived at once.
inline Expected Judge(const Request& request, const Bytes& sent) {
    if (sent.size() >= 5 && sent[0] == request.address && sent[1] == (request.function | 0x80) &&
        CrcHolds(sent, 5)) {
        return {Verdict::Exception, sent[2], {}};
    }
    const std::size_t length = request.ReplyLength();
    if (sent.size() < length) {
        return {Verdict::Short, 0, {}};
    }
    if (!CrcHolds(sent, length) || sent[0] != request.address || sent[1] != request.function) {
        return {Verdict::BadReply, 0, {}};
    }
    if (request.function == 6) {
        const bool echoed = sent[2] == (request.reg >> 8) && sent[3] == (request.reg & 0xFF) &&
                            sent[4] == (request.countOrValue >> 8) &&
                            sent[5] == (request.countOrValue & 0xFF);
        return {echoed ? Verdict::Ok : Verdict::BadReply, 0, {}};
    }
    if (sent[2] != 2 * request.countOrValue) {
        return {Verdict::BadReply, 0, {}};
    }
    Expected expected{Verdict::Ok, 0, {}};
    for (std::size_t k = 0; k < request.countOrValue; ++k) {
        expected.values.push_back(static_cast<std::uint16_t>(sent[3 + 2 * k] << 8 | sent[4 + 2 * k]));
    }
    return expected;
}

// The fuzzer's bytes as a reply: when `sealed`, the first `length` bytes get a valid CRC, so that the
// accepting paths are reached as often as the refusing ones.
inline Bytes Reply(const std::uint8_t* data, std::size_t size, std::size_t length, bool sealed) {
    Bytes reply(data, data + size);
    if (sealed && reply.size() >= length && length >= 2) {
        const std::uint16_t crc =
            rtu::Crc(Bytes(reply.begin(), reply.begin() + static_cast<std::ptrdiff_t>(length - 2)));
        reply[length - 2] = static_cast<std::uint8_t>(crc & 0xFF);
        reply[length - 1] = static_cast<std::uint8_t>(crc >> 8);
    }
    return reply;
}

}  // namespace oracle
