#pragma once
// A serial line reached through a network gateway, by name:
//   tcp://HOST:PORT      a transparent bridge: the bytes pass both ways untouched; its serial side runs
//                        at the gateway's own settings.
//   rfc2217://HOST:PORT  a Telnet COM Port Control server: the line settings travel to its serial side.
// Written on plain sockets: the Telnet part needed is a few commands, less than wrapping a library.
// The round trip measured while connecting gives replies a network allowance on top of the serial
// limits; a dropped connection is a port failure.
#include <atomic>
#include <bitset>
#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Socket.h"
#include "port/Port.h"
#include "port/TelnetCodec.h"

namespace port {

// Whether the name is a network port's, and which.
enum class NetworkProtocol { Raw, Rfc2217 };
inline constexpr std::string_view kRawPrefix = "tcp://";
inline constexpr std::string_view kRfc2217Prefix = "rfc2217://";
std::optional<NetworkProtocol> NetworkProtocolOf(const std::string& name);

// The port Modbus TCP listens on unless told otherwise.
inline constexpr std::string_view kModbusTcpPort = "502";
// A tcp:// name with the Modbus TCP port added when it names none; any other name unchanged.
std::string WithModbusTcpPort(const std::string& name);

// What a translating gateway (Modbus TCP to a serial line) may take on top of the network: its own wait
// for the serial side's reply, often 1 s, before it gives up with exception 0x0B.
inline constexpr std::uint32_t kGatewaySerialWaitMs = 1000;

// The allowance a reply gets for the network: three round trips, at least kNetworkAllowanceFloorMs.
inline constexpr std::uint32_t kNetworkAllowanceFloorMs = 50;
std::uint32_t NetworkAllowanceMs(std::uint32_t roundTripMs);

class NetworkPort final : public IPort {
public:
    explicit NetworkPort(NetworkProtocol protocol) : m_protocol(protocol) {}
    ~NetworkPort() override;

    bool IsNull() const override { return m_state == State::Null; }
    bool IsOpen() const override { return m_state == State::Open; }
    // Resolves and connects, within a few seconds and the opening's limit; an RFC 2217 server must also
    // agree to the COM port option. kErrorBadNetworkName for a name without HOST:PORT, kErrorHostNotFound
    // when the host does not resolve, the system's code when the connection is refused or times out,
    // kErrorOpeningTimedOut when the opening's limit ran out first, kErrorInterrupted when stopped (see
    // StopOpeningOn and Interrupt), kErrorTelnetProtocol when an RFC 2217 server breaks the protocol.
    bool Open(const std::string& name) override;
    // Through RFC 2217 each setting is sent and checked against what the server reports back
    // (kErrorSettingsNotTaken otherwise). A transparent bridge takes any setting: it cannot change its own.
    bool Configure(std::uint32_t baudRate, std::uint8_t parity, std::uint8_t stopBits) override;
    bool SetTimeouts(const platform::ReadTimeouts& timeouts) override;
    const platform::ReadTimeouts& Timeouts() const override { return m_timeouts; }
    void RequestLowLatency() override {}
    // Drops what has arrived (from a gateway that never stops sending, a few buffers' worth); through
    // RFC 2217 the server is asked to purge its buffers too.
    void Purge() override;
    bool EnableRs485() override;
    // Through a bridge every byte on the socket is data and counts; through RFC 2217 only what has been
    // taken in, since the socket's bytes may be Telnet commands.
    std::size_t Waiting() const override;
    bool Write(const std::uint8_t* data, std::size_t size, std::size_t& written) override;
    bool Read(std::uint8_t* data, std::size_t size, std::size_t& received) override;
    bool Read(std::uint8_t* data, std::size_t size, std::size_t& received,
              const platform::ReadTimeouts& timeouts) override;
    void Close() override;
    void Interrupt() override { m_interrupted = true; }

    bool SetsLineSettings() const override { return m_protocol == NetworkProtocol::Rfc2217; }
    std::optional<std::uint32_t> RoundTripMs() const override { return m_roundTripMs; }
    void SetNetworkAllowance(std::uint32_t ms) override { m_allowanceMs = ms; }
    void LimitOpening(std::uint32_t ms) override { m_openingLimit = std::chrono::milliseconds(ms); }
    void StopOpeningOn(const std::atomic<bool>* stop) override { m_openingStop = stop; }

private:
    enum class State { Null, Invalid, Open };
    using Clock = std::chrono::steady_clock;
    // When a wait of the opening must end, and the error when it does.
    struct Limit {
        Clock::time_point at;
        std::uint32_t error;
    };
    // The earlier of a wait's own limit and the opening's.
    Limit Within(Clock::time_point own, std::uint32_t ownError) const;
    // Interrupted, or asked to stop while opening.
    bool Stopped() const;
    // Takes in what arrives within the time left or a short slice of it, whichever ends first; false,
    // with the reason, when the limit has passed, a stop was asked for or the connection failed. Data
    // is dropped: it comes before any request.
    bool ReceiveWithin(const Limit& limit);
    bool Negotiate();
    // Sends one COM port setting and waits for the server's report of it, up to the deadline.
    bool SetComPort(std::uint8_t command, const std::vector<std::uint8_t>& value, const Limit& limit);
    // Within kWriteLimit and the opening's limit; the socket never blocks, so a server that does not
    // read cannot hold the port past them.
    bool SendAll(const std::vector<std::uint8_t>& bytes);
    // Waits up to waitMs for bytes and takes them in; false when the connection failed or dropped, or
    // the server broke the Telnet protocol.
    bool Receive(int waitMs);
    // False when the answer could not be sent.
    bool Answer(const telnet::Command& command);
    bool Fail(std::uint32_t code);

    NetworkProtocol m_protocol;
    State m_state = State::Null;
    platform::socket::Handle m_socket = platform::socket::kNoHandle;
    platform::ReadTimeouts m_timeouts;
    std::uint32_t m_allowanceMs = kNetworkAllowanceFloorMs;
    std::optional<std::uint32_t> m_roundTripMs;
    telnet::Decoder m_decoder;
    std::deque<std::uint8_t> m_data;          // received data not yet read
    std::vector<telnet::Command> m_commands;  // received commands not yet looked at
    bool m_comPortAgreed = false;
    // Options the server asked for and we refused: each is refused once, so that a server repeating
    // its requests cannot make us send for as long as it keeps asking.
    std::bitset<256> m_refusedDo;
    std::bitset<256> m_refusedWill;
    std::atomic<bool> m_interrupted{false};
    const std::atomic<bool>* m_openingStop = nullptr;
    bool m_opening = false;  // from Open to the end of the first Configure
    std::optional<std::chrono::milliseconds> m_openingLimit;
    std::optional<Clock::time_point> m_openingDeadline;  // from Open to the end of the first Configure
};

}  // namespace port
