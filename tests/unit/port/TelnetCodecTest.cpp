// The Telnet layer under RFC 2217: data with 0xFF in it survives both ways, and commands are taken out
// of the stream whatever the segments it arrives in.
#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "port/NetworkPort.h"
#include "port/TelnetCodec.h"

namespace {

using namespace port::telnet;
using Bytes = std::vector<std::uint8_t>;

TEST(TelnetCodec, DecodesWhateverTheSegments) {
    const Bytes reply{0x10, 0x03, 0x02, kIac, kIac, 0x41, 0x42};
    const Bytes stream = [&] {
        Bytes bytes{kIac, kDo, kOptionComPort};
        const Bytes escaped = Escape(reply.data(), reply.size());
        bytes.insert(bytes.end(), escaped.begin(), escaped.begin() + 3);
        // A line state notification between data bytes, with a doubled IAC in its payload.
        const Bytes note = Subnegotiation(kOptionComPort, {106, kIac});
        bytes.insert(bytes.end(), note.begin(), note.end());
        bytes.insert(bytes.end(), escaped.begin() + 3, escaped.end());
        return bytes;
    }();
    const Bytes expectedData{0x10, 0x03, 0x02, kIac, kIac, 0x41, 0x42};
    EXPECT_EQ(Escape(reply.data(), reply.size()).size(), reply.size() + 2);
    for (const std::size_t segment : {std::size_t{1}, std::size_t{2}, std::size_t{5}, stream.size()}) {
        SCOPED_TRACE(segment);
        Decoder decoder;
        std::deque<std::uint8_t> data;
        std::vector<Command> commands;
        for (std::size_t at = 0; at < stream.size(); at += segment) {
            decoder.Feed(stream.data() + at, std::min(segment, stream.size() - at), data, commands);
        }
        EXPECT_EQ(Bytes(data.begin(), data.end()), expectedData);
        ASSERT_EQ(commands.size(), 2u);
        EXPECT_EQ(commands[0].verb, kDo);
        EXPECT_EQ(commands[0].option, kOptionComPort);
        EXPECT_EQ(commands[1].verb, kSb);
        EXPECT_EQ(commands[1].payload, (Bytes{106, kIac}));
    }
}

// A subnegotiation may grow to kMaxSubnegotiation bytes; one byte more and the stream is broken for
// good: nothing after it is taken, so that a server streaming one without end cannot take memory.
TEST(TelnetCodec, SubnegotiationLongerThanTheLimitBreaksTheStream) {
    for (const std::size_t length : {kMaxSubnegotiation, kMaxSubnegotiation + 1}) {
        SCOPED_TRACE(length);
        const bool fits = length <= kMaxSubnegotiation;
        Bytes stream = Subnegotiation(kOptionComPort, Bytes(length, kIac));
        stream.push_back(0x41);
        Decoder decoder;
        std::deque<std::uint8_t> data;
        std::vector<Command> commands;
        EXPECT_EQ(decoder.Feed(stream.data(), stream.size(), data, commands), fits);
        EXPECT_EQ(decoder.Feed(stream.data(), 1, data, commands), fits);
        EXPECT_EQ(commands.size(), fits ? 1u : 0u);
        EXPECT_EQ(data.size(), fits ? 1u : 0u);
    }
}

TEST(TelnetCodec, NetworkNamesAndAllowance) {
    EXPECT_EQ(port::NetworkProtocolOf("tcp://gw:502"), port::NetworkProtocol::Raw);
    EXPECT_EQ(port::NetworkProtocolOf("rfc2217://gw:4001"), port::NetworkProtocol::Rfc2217);
    EXPECT_FALSE(port::NetworkProtocolOf("/dev/ttyUSB0"));
    EXPECT_FALSE(port::NetworkProtocolOf("TCP://gw:502"));
    const struct {
        std::uint32_t roundTripMs, allowanceMs;
    } allowances[] = {{0, 50}, {16, 50}, {17, 51}, {150, 450}};
    for (const auto& a : allowances) {
        EXPECT_EQ(port::NetworkAllowanceMs(a.roundTripMs), a.allowanceMs) << a.roundTripMs;
    }
}

}  // namespace
