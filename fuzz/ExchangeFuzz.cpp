// The whole reply path: CModbus on a real pseudo-terminal whose far end answers each request with the
// fuzzer's bytes. The master's verdict and values must be what the independent decoder makes of them.
// Replies always reach the expected length (short ones are padded), so that no verdict hangs on timing,
// and each input gets a master of its own, so that the late-reply guard a bad reply arms (which only
// waits) does not slow the run down. For the same reason the line is emptied after each input: bytes
// beyond the expected length would otherwise be the next master's evidence of a line out of step.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "fuzz/RtuOracle.h"
#include "modbus/Modbus.h"
#include "platform/AppErrors.h"
#include "platform/LastError.h"
#include "serial/ComDevice.h"
#include "tests/integration/serial/PtyPeer.h"

namespace {

struct Line {
    Line() {
        if (!port.Open(peer.Path(), 19200, 0, 0)) {
            std::abort();
        }
    }
    PtyPeer peer;
    CComDevice port;
};

// A read reply that begins with the request is taken for an adapter's echo, and the master asks again
// after the guard: that path has tests of its own, and here it would only slow the run down.
bool LooksLikeEcho(const oracle::Request& request, const oracle::Bytes& reply) {
    if (request.function == 6) {
        return false;
    }
    oracle::Bytes sent{request.address,
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

Line& TheLine() {
    static auto* line = new Line;  // one line for the whole run: opening a pty per input is slow
    return *line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3 || size > 300) {
        return 0;
    }
    constexpr std::uint8_t kFunctions[] = {3, 4, 6};
    const oracle::Request request{0x11, kFunctions[data[0] % 3], static_cast<std::uint16_t>(data[1]),
                                  static_cast<std::uint16_t>(data[0] % 3 == 2 ? data[2] : 1 + data[2] % 4)};
    const std::size_t length = request.ReplyLength();
    oracle::Bytes reply = oracle::Reply(data + 3, size - 3, length, (data[0] & 0x80) != 0);
    if (reply.size() < length) {
        reply.resize(length);
    }
    if (LooksLikeEcho(request, reply)) {
        return 0;
    }
    const oracle::Expected expected = oracle::Judge(request, reply);

    Line& line = TheLine();
    CModbus modbus(&line.port);
    line.peer.AnswerLater(1, 8, [&reply](std::size_t, const PtyPeer::Bytes&) { return reply; });
    std::uint16_t values[4] = {0xDEAD, 0xDEAD, 0xDEAD, 0xDEAD};
    const bool ok = request.function == 6
                        ? modbus.WriteRegister(request.address, request.reg, request.countOrValue)
                        : modbus.ReadRegisters(request.address, request.function, request.reg,
                                               request.countOrValue, values);
    const std::uint32_t error = platform::GetLastError();
    line.peer.JoinSender();
    line.port.Port().Purge();

    switch (expected.verdict) {
        case oracle::Verdict::Ok:
            if (!ok) {
                std::abort();
            }
            for (std::size_t k = 0; k < expected.values.size(); ++k) {
                if (values[k] != expected.values[k]) {
                    std::abort();
                }
            }
            break;
        case oracle::Verdict::Exception:
            if (ok || error != platform::ModbusExceptionError(expected.exceptionCode)) {
                std::abort();
            }
            break;
        case oracle::Verdict::BadReply:
            if (ok || error != ERROR_CRC) {
                std::abort();
            }
            break;
        case oracle::Verdict::Short:
            std::abort();  // padded above: cannot happen
    }
    if (!ok && request.function != 6 && values[0] != 0xDEAD) {
        std::abort();  // a failed read leaves the destination alone
    }
    if (modbus.m_portFailed) {
        std::abort();
    }
    return 0;
}
