// Frame validation: every reply the RTU framing accepts or refuses must be judged the same way by the
// independent decoder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

#include "fuzz/RtuOracle.h"
#include "modbus/Framing.h"

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

    static const std::unique_ptr<IFraming> rtu = MakeFraming(Framing::Rtu);
    const ModbusRequest asked{request.address, request.function, request.reg, request.countOrValue};
    if (rtu->ReplyLength(asked) != length) {
        std::abort();
    }

    const oracle::Expected expected = oracle::Judge(request, reply);
    if (reply.size() >= length && expected.verdict != oracle::Verdict::Exception) {
        const bool valid = expected.verdict == oracle::Verdict::Ok;
        if ((rtu->Check(asked, std::span(reply).first(length)) == traffic::Outcome::Ok) != valid) {
            std::abort();
        }
    }
    const bool exception = expected.verdict == oracle::Verdict::Exception;
    if (reply.size() >= 5 && rtu->IsExceptionReply(asked, std::span(reply).first(5)) != exception) {
        std::abort();
    }
    return 0;
}
