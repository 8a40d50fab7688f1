// The whole reply path: CModbus on a real pseudo-terminal whose far end answers each request with the
// fuzzer's bytes. The master's verdict and values must be what the independent decoder makes of them.
// Replies always reach the expected length (short ones are padded), so that no verdict hangs on timing,
// and each input gets a master of its own, so that the late-reply guard a bad reply arms (which only
// waits) does not slow the run down. For the same reason the line is emptied after each input: bytes
// beyond the expected length would otherwise be the next master's evidence of a line out of step.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/MasterExchange.h"
#include "port/ComDevice.h"
#include "tests/integration/port/PtyPeer.h"

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

Line& TheLine() {
    static auto* line = new Line;  // one line for the whole run: opening a pty per input is slow
    return *line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3 || size > 300) {
        return 0;
    }
    const oracle::Request request = oracle::RequestFrom(data);
    const std::size_t length = request.ReplyLength();
    oracle::Bytes reply = oracle::Reply(data + 3, size - 3, length, (data[0] & 0x80) != 0);
    if (reply.size() < length) {
        reply.resize(length);
    }
    if (oracle::LooksLikeEcho(request, reply)) {
        return 0;
    }
    Line& line = TheLine();
    CModbus modbus(&line.port);
    line.peer.AnswerLater(1, 8, [&reply](std::size_t, const PtyPeer::Bytes&) { return reply; });
    const oracle::Outcome outcome = oracle::Ask(modbus, request);
    line.peer.JoinSender();
    line.port.Port().Purge();
    oracle::Check(outcome, request, oracle::Judge(request, reply));
    return 0;
}
