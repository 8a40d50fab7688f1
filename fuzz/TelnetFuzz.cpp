// The Telnet decoder of an RFC 2217 connection on any bytes a server may send, in any segments: the
// result does not depend on the segments, stays within the input's bounds (data bytes are a subsequence
// of it, every data IAC came doubled, no subnegotiation grows past the limit), and escaped data or a
// subnegotiation built from the input comes back exactly.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <vector>

#include "port/TelnetCodec.h"

namespace {

using namespace port::telnet;
using Bytes = std::vector<std::uint8_t>;

struct Decoded {
    Bytes data;
    std::vector<Command> commands;
    bool sound = true;

    bool operator==(const Decoded&) const = default;
};

// Fed in segments of 1 to 16 bytes drawn from `seed`; 0 feeds it whole.
Decoded Decode(const Bytes& stream, std::uint8_t seed) {
    Decoder decoder;
    std::deque<std::uint8_t> data;
    Decoded decoded;
    std::uint32_t state = seed;
    for (std::size_t at = 0; at < stream.size();) {
        state = state * 1103515245u + 12345u;
        const std::size_t segment = seed == 0 ? stream.size() : 1 + (state >> 16) % 16;
        const std::size_t size = std::min(segment, stream.size() - at);
        decoded.sound = decoder.Feed(stream.data() + at, size, data, decoded.commands) && decoded.sound;
        at += size;
    }
    decoded.data.assign(data.begin(), data.end());
    return decoded;
}

bool IsSubsequence(const Bytes& part, const Bytes& whole) {
    auto at = whole.begin();
    for (const std::uint8_t byte : part) {
        at = std::find(at, whole.end(), byte);
        if (at == whole.end()) {
            return false;
        }
        ++at;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const Bytes stream(input + 1, input + size);
    const Decoded whole = Decode(stream, 0);
    if (!(Decode(stream, input[0] | 1) == whole)) {
        std::abort();  // the segments changed the result
    }
    if (!IsSubsequence(whole.data, stream) ||
        2 * std::count(whole.data.begin(), whole.data.end(), kIac) >
            std::count(stream.begin(), stream.end(), kIac) ||
        3 * whole.commands.size() > stream.size()) {
        std::abort();
    }
    for (const Command& command : whole.commands) {
        if (command.payload.size() > kMaxSubnegotiation || (command.verb != kSb && command.verb < kWill)) {
            std::abort();
        }
    }

    const Decoded escaped = Decode(Escape(stream.data(), stream.size()), input[0]);
    if (escaped.data != stream || !escaped.commands.empty() || !escaped.sound) {
        std::abort();
    }
    const Decoded note = Decode(Subnegotiation(input[0], stream), input[0]);
    const bool fits = stream.size() <= kMaxSubnegotiation;
    if (note.sound != fits || !note.data.empty() || note.commands.size() != (fits ? 1u : 0u) ||
        (fits && (note.commands[0].verb != kSb || note.commands[0].option != input[0] ||
                  note.commands[0].payload != stream))) {
        std::abort();
    }
    return 0;
}
