// Reply framing over a network gateway: CModbus through a real loopback connection, raw (tcp://) or
// RFC 2217, whose far end answers each request with the fuzzer's bytes cut into segments of the
// fuzzer's choosing, short pauses between them, as a gateway splits frames. Through RFC 2217 the reply
// is escaped, the server's report of the purge sits at a place of the fuzzer's choosing, and the cuts
// fall anywhere in the escaped stream (between the two bytes of a doubled IAC too). The master's verdict
// and values must be what the independent decoder makes of the reply.
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <string>
#include <thread>
#include <vector>

#include "fuzz/MasterExchange.h"
#include "port/ComDevice.h"
#include "port/TelnetCodec.h"
#include "tests/integration/cli/ComPortAgreement.h"

namespace {

using namespace port::telnet;

constexpr std::size_t kRequestLength = 8;  // a read and a single write alike

// One connection for the whole run, the port on our side and the gateway's socket on the other.
struct Gateway {
    explicit Gateway(bool rfc2217) : rfc2217(rfc2217) {
        const int listening = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        ::bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
        ::listen(listening, 1);
        ::getsockname(listening, reinterpret_cast<sockaddr*>(&address), &length);
        const std::string url = std::string(rfc2217 ? "rfc2217" : "tcp") +
                                "://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
        // The kernel completes the handshake; the server's side of the opening runs alongside.
        std::atomic<bool> never{false};
        std::thread server([&] {
            far = ::accept4(listening, nullptr, nullptr, SOCK_CLOEXEC);
            if (rfc2217 && !AgreeToComPort(far, never)) {
                std::abort();
            }
        });
        // Generous reply limits: a loaded machine must not turn a whole reply into a short one.
        port.m_replyTimeoutMs = 1000;
        const bool opened = port.Open(url, 19200, 0, 0);
        server.join();
        ::close(listening);
        if (!opened) {
            std::abort();
        }
        const int on = 1;
        ::setsockopt(far, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
    }

    // Waits for the request's data bytes (through RFC 2217 among the commands before them).
    void AwaitRequest() {
        Decoder decoder;
        std::deque<std::uint8_t> data;
        std::size_t raw = 0;
        pollfd wait{far, POLLIN, 0};
        while ((rfc2217 ? data.size() : raw) < kRequestLength) {
            std::uint8_t buffer[64];
            if (::poll(&wait, 1, 5000) <= 0) {
                std::abort();
            }
            const ssize_t count = ::recv(far, buffer, rfc2217 ? sizeof(buffer) : kRequestLength - raw, 0);
            if (count <= 0) {
                std::abort();
            }
            raw += static_cast<std::size_t>(count);
            std::vector<Command> commands;
            decoder.Feed(buffer, static_cast<std::size_t>(count), data, commands);
        }
    }

    // What goes on the wire for `reply`: through RFC 2217 escaped, the purge report after `reportAt`
    // of its bytes.
    oracle::Bytes Wire(const oracle::Bytes& reply, std::size_t reportAt) const {
        if (!rfc2217) {
            return reply;
        }
        oracle::Bytes wire = Escape(reply.data(), reportAt);
        const oracle::Bytes report = Subnegotiation(kOptionComPort, {112, 3});
        const oracle::Bytes rest = Escape(reply.data() + reportAt, reply.size() - reportAt);
        wire.insert(wire.end(), report.begin(), report.end());
        wire.insert(wire.end(), rest.begin(), rest.end());
        return wire;
    }

    bool rfc2217;
    int far = -1;
    CComDevice port;
};

// The reply as a slave would shape it, so that the accepting paths are reached as often as the
// refusing ones: 1, the request's address and function, then the byte count or the write's echo;
// 2, an exception reply. 0 leaves the fuzzer's bytes as they are.
oracle::Bytes Shaped(oracle::Bytes bytes, const oracle::Request& request, unsigned shape) {
    bytes.resize(request.ReplyLength());
    if (shape == 0) {
        return bytes;
    }
    bytes[0] = request.address;
    bytes[1] = shape == 2 ? static_cast<std::uint8_t>(request.function | 0x80) : request.function;
    if (shape == 2) {
        const std::uint16_t crc = rtu::Crc(oracle::Bytes(bytes.begin(), bytes.begin() + 3));
        bytes[3] = static_cast<std::uint8_t>(crc);
        bytes[4] = static_cast<std::uint8_t>(crc >> 8);
    } else if (request.function == 6) {
        bytes[2] = static_cast<std::uint8_t>(request.reg >> 8);
        bytes[3] = static_cast<std::uint8_t>(request.reg);
        bytes[4] = static_cast<std::uint8_t>(request.countOrValue >> 8);
        bytes[5] = static_cast<std::uint8_t>(request.countOrValue);
    } else {
        bytes[2] = static_cast<std::uint8_t>(2 * request.countOrValue);
    }
    return bytes;
}

Gateway& TheGateway(bool rfc2217) {
    // Connecting per input is slow; the connections stay for the whole run.
    static auto* raw = new Gateway(false);
    static auto* telnet = new Gateway(true);
    return rfc2217 ? *telnet : *raw;
}

}  // namespace

// Bytes 0-2: the request (bit 7 of byte 0: seal the CRC); byte 3: bit 0 RFC 2217, bits 1-2 the reply's
// shape, the rest seeds the cuts and pauses; the rest: the reply.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) {
        return 0;
    }
    const oracle::Request request = oracle::RequestFrom(data);
    const std::size_t length = request.ReplyLength();
    // Whole replies only: no verdict hangs on timing.
    const oracle::Bytes shaped = Shaped({data + 4, data + size}, request, (data[3] >> 1) % 3);
    const oracle::Bytes reply = oracle::Reply(shaped.data(), shaped.size(), length, (data[0] & 0x80) != 0);
    if (oracle::LooksLikeEcho(request, reply)) {
        return 0;
    }
    Gateway& gateway = TheGateway((data[3] & 1) != 0);
    std::uint32_t state = data[3] >> 3;
    const auto next = [&state](std::uint32_t range) {
        state = state * 1103515245u + 12345u;
        return (state >> 16) % range;
    };
    const oracle::Expected expected = oracle::Judge(request, reply);
    oracle::Bytes wire = gateway.Wire(reply, next(static_cast<std::uint32_t>(length) + 1));
    // After a whole reply the master listens for as long as a reply may take; a copy of the reply ends
    // that at once (and goes through the copy's path), so that each input takes milliseconds.
    if (expected.verdict == oracle::Verdict::Ok || expected.verdict == oracle::Verdict::Exception) {
        const oracle::Bytes copy = gateway.Wire(reply, reply.size());
        wire.insert(wire.end(), copy.begin(), copy.end());
    }
    std::thread far([&] {
        gateway.AwaitRequest();
        for (std::size_t at = 0; at < wire.size();) {
            const std::size_t cut = std::min<std::size_t>(1 + next(4), wire.size() - at);
            if (::send(gateway.far, wire.data() + at, cut, MSG_NOSIGNAL) != static_cast<ssize_t>(cut)) {
                std::abort();
            }
            at += cut;
            if (next(2) != 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
    });
    CModbus modbus(&gateway.port);
    const oracle::Outcome outcome = oracle::Ask(modbus, request);
    far.join();
    // What the master left unread (after an exception reply) must not be the next input's evidence of a
    // line out of step.
    gateway.port.Port().Purge();
    oracle::Check(outcome, request, expected);
    return 0;
}
