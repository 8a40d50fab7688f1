#pragma once
// Error codes that this program sets itself as a thread's last error, for conditions the system has no
// code for. They lie in the range Windows reserves for applications (bit 29 set), so they collide with
// no system code on any platform, and SystemErrorText describes them everywhere.
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

inline constexpr std::uint32_t kAppErrorBit = 0x20000000;
// Another program holds the port.
inline constexpr std::uint32_t kErrorPortInUse = kAppErrorBit | 0x01;
// The path names something that is not a serial device (a regular file, a FIFO, /dev/null).
inline constexpr std::uint32_t kErrorNotSerialDevice = kAppErrorBit | 0x02;
// The driver accepted the line settings but reads back others (an adapter that ignores some).
inline constexpr std::uint32_t kErrorSettingsNotTaken = kAppErrorBit | 0x03;
// The path is the program's own terminal (/dev/tty, standard input or output): not a controller's line.
inline constexpr std::uint32_t kErrorOwnTerminal = kAppErrorBit | 0x04;
// The port took no bytes within the write's deadline (flow control or stopped output holds them back).
inline constexpr std::uint32_t kErrorOutputStalled = kAppErrorBit | 0x05;
// The port's driver has no RS-485 mode.
inline constexpr std::uint32_t kErrorNoRs485 = kAppErrorBit | 0x06;
// A network port's name is not PROTOCOL://HOST:PORT.
inline constexpr std::uint32_t kErrorBadNetworkName = kAppErrorBit | 0x07;
// A network gateway's host name does not resolve.
inline constexpr std::uint32_t kErrorHostNotFound = kAppErrorBit | 0x08;
// The server at an rfc2217:// address did not agree to set line settings.
inline constexpr std::uint32_t kErrorNoComPortControl = kAppErrorBit | 0x09;
// A network gateway did not finish connecting within the opening's limit.
inline constexpr std::uint32_t kErrorOpeningTimedOut = kAppErrorBit | 0x0A;
// A wait was cut short on request (Ctrl-C, a termination request, a worker asked to stop).
inline constexpr std::uint32_t kErrorInterrupted = kAppErrorBit | 0x0B;
// An RFC 2217 server broke the Telnet protocol (a subnegotiation that does not end).
inline constexpr std::uint32_t kErrorTelnetProtocol = kAppErrorBit | 0x0C;
// A write's reply, whole and intact (Modbus TCP: its own transaction), echoed another value: what
// answered did not write it (a gateway that answers writes itself).
inline constexpr std::uint32_t kErrorWriteEchoDiffers = kAppErrorBit | 0x0D;
// A Modbus slave refused a request with an exception reply; the low byte is the exception code.
inline constexpr std::uint32_t kErrorModbusExceptionBase = kAppErrorBit | 0x100;

constexpr std::uint32_t ModbusExceptionError(std::uint8_t exceptionCode) {
    return kErrorModbusExceptionBase | exceptionCode;
}
// The exception code carried by an error code, if it is a Modbus exception.
constexpr std::optional<std::uint8_t> ModbusExceptionOf(std::uint32_t code) {
    if ((code & ~std::uint32_t{0xFF}) != kErrorModbusExceptionBase) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(code & 0xFF);
}
// A read register holds a value outside what the register can mean; the low 16 bits are the value.
inline constexpr std::uint32_t kErrorUnknownValueBase = kAppErrorBit | 0x10000;

constexpr std::uint32_t UnknownValueError(std::uint16_t value) {
    return kErrorUnknownValueBase | value;
}
constexpr std::optional<std::uint16_t> UnknownValueOf(std::uint32_t code) {
    if ((code & ~std::uint32_t{0xFFFF}) != kErrorUnknownValueBase) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(code & 0xFFFF);
}
// Exceptions 5 (acknowledge: still working) and 6 (busy) ask the master to try again later.
constexpr bool IsBusyException(std::uint8_t exceptionCode) {
    return exceptionCode == 5 || exceptionCode == 6;
}

// Exceptions 0x0A (path unavailable) and 0x0B (target device failed to respond) come from a gateway,
// not from the controller: nothing behind the gateway answered at that address.
inline constexpr std::uint8_t kGatewayPathUnavailable = 0x0A;
inline constexpr std::uint8_t kGatewayTargetFailed = 0x0B;
constexpr bool IsGatewayException(std::uint8_t exceptionCode) {
    return exceptionCode == kGatewayPathUnavailable || exceptionCode == kGatewayTargetFailed;
}

// The standard name of a Modbus exception code ("illegal data address"); empty for codes without one.
std::string ModbusExceptionName(std::uint8_t exceptionCode);
// The text of one of the codes above; empty for any other code.
std::string AppErrorText(std::uint32_t code);

}  // namespace platform
