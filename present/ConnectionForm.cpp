#include "present/ConnectionForm.h"

#include <algorithm>
#include <iterator>

#include "device/ControllerFacts.h"
#include "port/ComDevice.h"

namespace {

template <typename Table, typename Match>
int IndexOr(const Table& table, Match match, int fallback) {
    const auto found = std::find_if(table.begin(), table.end(), match);
    return found == table.end() ? fallback : static_cast<int>(std::distance(table.begin(), found));
}

int BaudIndexOr(std::uint32_t baudRate, int fallback) {
    return IndexOr(
        BaudRateTable, [baudRate](std::uint32_t offered) { return offered == baudRate; }, fallback);
}

const int kFactoryBaudIndex = BaudIndexOr(kFactorySettings.line.baudRate, 0);
const int kFactoryModeIndex = static_cast<int>(kFactorySettings.line.modeIndex);

}  // namespace

LineChoice FactoryLineChoice() {
    return LineChoiceOf(kFactorySettings);
}

LineChoice PreselectLine(std::uint32_t baudRate, std::uint8_t parity, std::uint8_t stopBits,
                         std::uint8_t address) {
    const int modeIndex = IndexOr(
        CommModeTable,
        [&](const CommModeEntry& mode) { return mode.m_parity == parity && mode.m_stopBits == stopBits; },
        kFactoryModeIndex);
    const bool addressShown = IsSlaveAddress(address);
    return {BaudIndexOr(baudRate, kFactoryBaudIndex), modeIndex,
            std::to_string(addressShown ? address : kFactorySettings.address)};
}

LineChoice LineChoiceOf(const ScanCandidate& settings) {
    return {BaudIndexOr(settings.line.baudRate, kFactoryBaudIndex), static_cast<int>(settings.line.modeIndex),
            std::to_string(settings.address)};
}

IntegerCheck CheckAddress(std::string_view text) {
    return CheckInteger(text, kFirstAddress, kLastAddress);
}

std::variant<ChosenLine, FieldRefusal> TakeLine(const LineChoice& shown) {
    const IntegerCheck address = CheckAddress(shown.address);
    if (address.refusal) {
        return *address.refusal;
    }
    const CommModeEntry& mode = CommModeTable.at(static_cast<std::size_t>(shown.modeIndex));
    return ChosenLine{BaudRateTable.at(static_cast<std::size_t>(shown.baudIndex)), mode.m_parity,
                      mode.m_stopBits, static_cast<std::uint8_t>(address.value)};
}

std::optional<ScanCandidate> FindGuess(const LineChoice& shown) {
    const IntegerCheck address = CheckAddress(shown.address);
    if (address.refusal || shown.baudIndex < 0 || shown.modeIndex < 0) {
        return std::nullopt;
    }
    return ScanCandidate{{BaudRateTable.at(static_cast<std::size_t>(shown.baudIndex)),
                          static_cast<std::size_t>(shown.modeIndex)},
                         static_cast<std::uint8_t>(address.value)};
}

std::variant<ReplyTime, FieldRefusal> TakeReplyTime(std::string_view text) {
    if (text.empty()) {
        return ReplyTime{};
    }
    const IntegerCheck check =
        CheckInteger(text, CComDevice::kMinReplyTimeoutMs, CComDevice::kMaxReplyTimeoutMs);
    if (check.refusal) {
        return *check.refusal;
    }
    return ReplyTime{static_cast<std::uint32_t>(check.value)};
}

std::string ReplyTimeText(ReplyTime replyTime) {
    if (!replyTime || *replyTime < CComDevice::kMinReplyTimeoutMs ||
        *replyTime > CComDevice::kMaxReplyTimeoutMs) {
        return {};
    }
    return std::to_string(*replyTime);
}
