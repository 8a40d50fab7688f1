#pragma once
// Which kind of gateway a tcp:// port reaches: a translating one (Modbus TCP on the network, RTU on its
// serial side) or a transparent bridge (RTU frames pass through). Asked once on connect, before anything
// is written: one Modbus TCP read of a register the controller has, then, only if that got no
// well-formed answer, one RTU read of it. A well-formed answer is a value or an exception reply (a
// translating gateway with nothing behind it answers exception 0x0B), so the Modbus TCP read goes
// first: its request means nothing on a serial line, while an RTU frame may make a Modbus TCP gateway
// drop the connection.
#include <cstdint>
#include <optional>
#include <string>

#include "port/ComDevice.h"
#include "traffic/Frame.h"

struct GatewayProbe {
    std::optional<traffic::Framing> found;  // empty: neither way got a well-formed answer
    bool portFailed = false;  // the gateway dropped the connection (its reason is the last error)
};

// Asks at `address` through the open port and, when one way answered, sets the port to it
// (CComDevice::UseFraming). The frames go to `trace` too.
GatewayProbe ProbeGateway(CComDevice& port, std::uint8_t address, traffic::IFrameObserver* trace);

// "Modbus TCP gateway", "transparent bridge (RTU over TCP)".
std::string GatewayKindText(traffic::Framing framing);
// What a probe that found nothing tried: "a Modbus TCP read and an RTU read of register 34 at address
// 16 got no well-formed answer".
std::string GatewayProbeTried(std::uint8_t address);

// "PORT: the gateway closed the connection when asked which kind it is (…); check …"
std::string GatewayDroppedText(const std::string& port, std::uint32_t code);

// True when the port's kind is not chosen yet and only a probe can tell: a tcp:// port.
bool NeedsGatewayProbe(const CComDevice& port);
