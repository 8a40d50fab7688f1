#include "present/RememberedConnection.h"

#include "device/ControllerFacts.h"
#include "port/ComDevice.h"

namespace {

constexpr std::string_view kComPort = "ComPort";
constexpr std::string_view kBaudRate = "BaudRate";
constexpr std::string_view kParity = "Parity";
constexpr std::string_view kStopBits = "StopBits";
constexpr std::string_view kAddress = "Address";
constexpr std::string_view kEcho = "Echo";
constexpr std::string_view kReplyTimeout = "ReplyTimeout";  // 0: none given
constexpr std::string_view kRs485 = "Rs485";
// "mbap" or "rtu"; empty (or anything else): asked on connect.
constexpr std::string_view kFraming = "Framing";
constexpr std::string_view kMbap = "mbap";
constexpr std::string_view kRtu = "rtu";

std::optional<traffic::Framing> FramingOfText(const std::string& text) {
    if (text == kMbap) {
        return traffic::Framing::Mbap;
    }
    if (text == kRtu) {
        return traffic::Framing::Rtu;
    }
    return std::nullopt;
}
// Read for a missing value; narrowed to a field it reads as that field's largest value, which the
// dialog replaces by its own default.
constexpr std::int32_t kMissing = -1;

// A stored reply time the operator could not have given reads as none.
std::optional<std::uint32_t> ReplyTimeOf(std::int32_t stored) {
    if (stored < static_cast<std::int32_t>(CComDevice::kMinReplyTimeoutMs) ||
        stored > static_cast<std::int32_t>(CComDevice::kMaxReplyTimeoutMs)) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(stored);
}

}  // namespace

ConnectionChoice RememberedConnection(ISettingsStore& store) {
    return {
        store.Text(kComPort),
        static_cast<std::uint32_t>(store.Number(kBaudRate, kMissing)),
        static_cast<std::uint8_t>(store.Number(kParity, kMissing)),
        static_cast<std::uint8_t>(store.Number(kStopBits, kMissing)),
        static_cast<std::uint8_t>(store.Number(kAddress, kMissing)),
        store.Number(kEcho, 0) != 0,
        ReplyTimeOf(store.Number(kReplyTimeout, 0)),
        store.Number(kRs485, 0) != 0,
        FramingOfText(store.Text(kFraming)),
    };
}

void RememberConnection(ISettingsStore& store, const ConnectionChoice& choice) {
    store.SetText(kComPort, choice.devicePath);
    store.SetNumber(kBaudRate, static_cast<std::int32_t>(choice.baudRate));
    store.SetNumber(kParity, choice.parity);
    store.SetNumber(kStopBits, choice.stopBits);
    store.SetNumber(kAddress, choice.address);
    store.SetNumber(kEcho, choice.echo ? 1 : 0);
    store.SetNumber(kReplyTimeout, static_cast<std::int32_t>(choice.replyTimeoutMs.value_or(0)));
    store.SetNumber(kRs485, choice.rs485 ? 1 : 0);
    store.SetText(kFraming, !choice.framing                             ? ""
                            : *choice.framing == traffic::Framing::Mbap ? std::string(kMbap)
                                                                        : std::string(kRtu));
}

ConnectionChoice OfferWritten(ConnectionChoice remembered, const CommConfig& written) {
    if (IsOfferedBaudRate(written.m_baudRate)) {
        remembered.baudRate = written.m_baudRate;
    }
    remembered.address = written.m_address;
    for (const CommModeEntry& mode : CommModeTable) {
        if (mode.m_mode == written.m_mode) {
            remembered.parity = mode.m_parity;
            remembered.stopBits = mode.m_stopBits;
        }
    }
    return remembered;
}
