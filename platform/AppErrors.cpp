#include "platform/AppErrors.h"

namespace platform {

std::string ModbusExceptionName(std::uint8_t exceptionCode) {
    switch (exceptionCode) {
        case 1:
            return "illegal function";
        case 2:
            return "illegal data address";
        case 3:
            return "illegal data value";
        case 4:
            return "server device failure";
        case 5:
            return "acknowledge";
        case 6:
            return "server device busy";
        case 8:
            return "memory parity error";
        case 10:
            return "gateway path unavailable";
        case 11:
            return "gateway target device failed to respond";
        default:
            return {};
    }
}

std::string AppErrorText(std::uint32_t code) {
    switch (code) {
        case kErrorPortInUse:
            return "The port is in use by another program.";
        case kErrorNotSerialDevice:
            return "This is not a serial device.";
        case kErrorSettingsNotTaken:
            return "The port did not take the line settings (it reads back other ones).";
        case kErrorOwnTerminal:
            return "This is the program's own terminal, not a serial line; name the controller's port "
                   "(e.g. /dev/ttyUSB0).";
        case kErrorOutputStalled:
            return "The port sends nothing: its output is held back (hardware flow control or stopped "
                   "output).";
        case kErrorNoRs485:
            return "The port's driver has no RS-485 mode.";
        case kErrorBadNetworkName:
            return "A network port is named tcp://HOST:PORT or rfc2217://HOST:PORT (e.g. "
                   "rfc2217://192.168.1.20:4001).";
        case kErrorHostNotFound:
            return "The gateway's host name does not resolve; check the name or give its IP address.";
        case kErrorNoComPortControl:
            return "The gateway does not take line settings (no RFC 2217 there); use tcp:// for a "
                   "transparent bridge.";
        case kErrorOpeningTimedOut:
            return "The gateway did not finish connecting within the time allowed; allow more time or "
                   "check the gateway.";
        case kErrorInterrupted:
            return "Stopped on request.";
        case kErrorTelnetProtocol:
            return "The gateway breaks the RFC 2217 protocol (a Telnet subnegotiation without end); check "
                   "the gateway, or use tcp:// if it is a transparent bridge.";
        case kErrorWriteEchoDiffers:
            return "The reply to a write echoed another value: the write did not reach the controller "
                   "(a gateway that answers writes itself does not pass them on).";
        default:
            break;
    }
    if (const auto exception = ModbusExceptionOf(code)) {
        const std::string name = ModbusExceptionName(*exception);
        return "The controller refused the request: exception " + std::to_string(*exception) +
               (name.empty() ? "" : " (" + name + ")") + ".";
    }
    if (const auto value = UnknownValueOf(code)) {
        return "The controller reports the value " + std::to_string(*value) +
               ", which this tool does not know.";
    }
    return {};
}

}  // namespace platform
