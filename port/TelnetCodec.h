#pragma once
// The Telnet layer of an RFC 2217 connection: 0xFF (IAC) doubled in data, option negotiation and
// subnegotiation commands taken out of the byte stream.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace port::telnet {

inline constexpr std::uint8_t kIac = 255;
inline constexpr std::uint8_t kDont = 254;
inline constexpr std::uint8_t kDo = 253;
inline constexpr std::uint8_t kWont = 252;
inline constexpr std::uint8_t kWill = 251;
inline constexpr std::uint8_t kSb = 250;
inline constexpr std::uint8_t kSe = 240;

inline constexpr std::uint8_t kOptionBinary = 0;
inline constexpr std::uint8_t kOptionSuppressGoAhead = 3;
inline constexpr std::uint8_t kOptionComPort = 44;

// What the other side said besides data: a negotiation (verb WILL/WONT/DO/DONT and option) or a
// subnegotiation (verb SB, option, and its payload with IAC doubling undone).
struct Command {
    std::uint8_t verb = 0;
    std::uint8_t option = 0;
    std::vector<std::uint8_t> payload;

    bool operator==(const Command&) const = default;
};

// Data bytes with every IAC doubled, ready to send.
std::vector<std::uint8_t> Escape(const std::uint8_t* data, std::size_t size);
// A subnegotiation for `option`, its payload escaped.
std::vector<std::uint8_t> Subnegotiation(std::uint8_t option, const std::vector<std::uint8_t>& payload);

// The longest subnegotiation payload kept. A COM port report carries at most four bytes, a server's
// signature a short text; a longer one is a broken or hostile server, and keeping it would let a
// subnegotiation that never ends take all memory.
inline constexpr std::size_t kMaxSubnegotiation = 256;

// Splits a received stream into data and commands, whatever the segments: a command cut between two
// feeds is completed by the next.
class Decoder {
public:
    // Appends the data bytes among `size` received ones to `data` and the complete commands to
    // `commands`. False once a subnegotiation grew past kMaxSubnegotiation: the stream cannot be
    // trusted from there on, and nothing more is taken from it.
    bool Feed(const std::uint8_t* bytes, std::size_t size, std::deque<std::uint8_t>& data,
              std::vector<Command>& commands);

private:
    enum class State { Data, Iac, Verb, SbOption, SbPayload, SbIac };
    // One payload byte of the subnegotiation under way; one too many breaks the stream.
    void Keep(std::uint8_t byte);

    State m_state = State::Data;
    Command m_command;
    bool m_broken = false;
};

}  // namespace port::telnet
