// Frame validation: every reply the master's frame classes accept or refuse must be judged the same
// way by the independent decoder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz/RtuOracle.h"
#include "modbus/ModbusPacket.h"

namespace {

// Byte 0: function (3, 4 or 6) and whether to seal the CRC; bytes 1-4: register and count or value;
// the rest: the reply.
struct Input {
    oracle::Request request;
    bool sealed;
    const std::uint8_t* reply;
    std::size_t replySize;
};

Input Split(const std::uint8_t* data, std::size_t size) {
    constexpr std::uint8_t kFunctions[] = {3, 4, 6};
    const std::uint8_t function = kFunctions[data[0] % 3];
    const auto reg = static_cast<std::uint16_t>(data[1] << 8 | data[2]);
    auto countOrValue = static_cast<std::uint16_t>(data[3] << 8 | data[4]);
    if (function != 6) {
        countOrValue = static_cast<std::uint16_t>(1 + countOrValue % 125);
    }
    return {{0x11, function, reg, countOrValue}, (data[0] & 0x80) != 0, data + 5, size - 5};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5) {
        return 0;
    }
    const Input input = Split(data, size);
    const oracle::Request& request = input.request;
    const std::size_t length = request.ReplyLength();
    const oracle::Bytes reply = oracle::Reply(input.reply, input.replySize, length, input.sealed);

    CModbusDataPacket read(request.address, request.function == 6 ? 3 : request.function,
                           request.function == 6 ? 1 : request.countOrValue);
    CModbusWritePacket echo(request.address, request.reg, request.countOrValue);
    CModbusPacket& packet = request.function == 6 ? static_cast<CModbusPacket&>(echo) : read;
    std::memset(packet.m_frame, 0, sizeof packet.m_frame);
    if (!reply.empty()) {
        std::memcpy(packet.m_frame, reply.data(), std::min(reply.size(), sizeof packet.m_frame));
    }

    const oracle::Expected expected = oracle::Judge(request, reply);
    if (reply.size() >= length && expected.verdict != oracle::Verdict::Exception) {
        const bool valid = expected.verdict == oracle::Verdict::Ok;
        if (packet.Validate() != valid) {
            std::abort();
        }
    }
    const bool exception = expected.verdict == oracle::Verdict::Exception;
    if (reply.size() >= 5 && packet.IsExceptionReply(5) != exception) {
        std::abort();
    }
    return 0;
}
