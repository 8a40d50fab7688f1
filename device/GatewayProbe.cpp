#include "device/GatewayProbe.h"

#include <fmt/format.h>

#include "device/ControllerFacts.h"
#include "modbus/Modbus.h"
#include "platform/AppErrors.h"
#include "platform/LastError.h"
#include "platform/SystemText.h"
#include "port/NetworkPort.h"
#include "res/Strings.h"

namespace {

constexpr std::uint8_t kReadHolding = 3;

}  // namespace

GatewayProbe ProbeGateway(CComDevice& port, std::uint8_t address, traffic::IFrameObserver* trace) {
    GatewayProbe probe;
    // The connection's usual limits, whatever reply time the operator gave for the line: asking must
    // not take a long reply time twice before the command's own reads.
    const platform::ReadTimeouts limits = port.Port().Timeouts();
    port.Port().SetTimeouts(ReadTimeoutsFor(CComDevice::kDefaultReplyTimeoutMs));
    for (const traffic::Framing framing : {traffic::Framing::Mbap, traffic::Framing::Rtu}) {
        // A server that sends unasked is no Modbus gateway of either kind; waiting for it to go quiet
        // could take long.
        if (port.Port().Waiting() != 0) {
            break;
        }
        // A translating gateway with a silent line answers only once its own serial wait has run out:
        // the Modbus TCP read gets that allowance.
        port.UseFraming(framing);
        CModbus modbus(&port, framing);
        modbus.SetFrameObserver(trace);
        std::uint16_t value = 0;
        const bool answered = modbus.ReadRegisters(address, kReadHolding, kBaudRateRegister, 1, &value) ||
                              platform::ModbusExceptionOf(platform::GetLastError()).has_value();
        if (modbus.m_portFailed) {
            probe.portFailed = true;
            break;
        }
        if (answered) {
            probe.found = framing;
            break;
        }
    }
    const std::uint32_t error = platform::GetLastError();
    port.UseFraming(probe.found);
    port.Port().SetTimeouts(limits);
    platform::SetLastError(error);
    return probe;
}

std::string GatewayKindText(traffic::Framing framing) {
    return std::string(res::LoadString(framing == traffic::Framing::Mbap ? res::IDS_GATEWAY_MODBUS_TCP
                                                                         : res::IDS_GATEWAY_RTU_BRIDGE));
}

std::string GatewayProbeTried(std::uint8_t address) {
    return fmt::format(
        "a Modbus TCP read and an RTU read of register {} at address {} got no well-formed answer",
        kBaudRateRegister, unsigned{address});
}

std::string GatewayDroppedText(const std::string& port, std::uint32_t code) {
    std::string reason = platform::SystemErrorText(code);
    reason.erase(reason.find_last_not_of(" \r\n.") + 1);
    return fmt::format(
        "{}: the gateway ended the connection when asked for a register ({}); check that it "
        "is a Modbus gateway and free for another client, or name its kind (Modbus TCP or RTU over TCP)",
        port, reason);
}

bool NeedsGatewayProbe(const CComDevice& port) {
    return !port.m_framing && port::NetworkProtocolOf(port.m_devicePath) == port::NetworkProtocol::Raw;
}
