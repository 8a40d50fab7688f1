#include "device/Refusals.h"

#include "res/Hints.h"

#include <fmt/format.h>

#include <iterator>
#include <string>

#include "device/Ardeno.h"
#include "platform/AppErrors.h"

namespace {

constexpr const char* kVariableNames[] = {
    "model", "firmware version", "configuration status", "address",           "baud rate",
    "mode",  "the save command", "the new address",      "the new baud rate", "the new mode"};

bool IsInput(int varId) {
    return varId < kVarConfCommand;
}

// "reading model (input register 2)", "writing the save command (holding register 32)".
std::string DescribeRequest(CArdeno& controller, int varId) {
    const CModbusDeviceVar* vars[] = {&controller.varModel,       &controller.varVersion,
                                      &controller.varConfStatus,  &controller.varAddress,
                                      &controller.varBaudRate,    &controller.varCommMode,
                                      &controller.varConfCommand, &controller.varAddressSet,
                                      &controller.varBaudRateSet, &controller.varCommModeSet};
    static_assert(std::size(vars) == std::size(kVariableNames));
    if (varId < 0 || varId >= static_cast<int>(std::size(vars))) {
        return "a request";
    }
    const unsigned reg = vars[varId]->m_register;
    if (IsInput(varId)) {
        const char* table = varId == kVarModel || varId == kVarVersion ? "input" : "holding";
        return fmt::format("reading {} ({} register {})", VariableName(varId), table, reg);
    }
    return fmt::format("writing {} (holding register {})", VariableName(varId), reg);
}

}  // namespace

const char* VariableName(int varId) {
    if (varId < 0 || varId >= static_cast<int>(std::size(kVariableNames))) {
        return "a request";
    }
    return kVariableNames[varId];
}

bool IsControllerAnswer(const DeviceEvent& event) {
    const auto exception = platform::ModbusExceptionOf(event.errorCode);
    return event.success || platform::UnknownValueOf(event.errorCode) ||
           (exception && !platform::IsGatewayException(*exception));
}

bool IsGatewayTargetFailed(std::uint32_t errorCode) {
    return platform::ModbusExceptionOf(errorCode) == platform::kGatewayTargetFailed;
}

std::string CRefusals::StayingRefusal(const DeviceEvent& event) {
    if (event.kind != DeviceEvent::VarUpdated) {
        return {};
    }
    if (const std::string text = UnknownValueText(event); !text.empty()) {
        m_unknownValues[event.id] = text;
    } else {
        m_unknownValues.erase(event.id);
    }
    if (!event.success && event.errorCode == platform::kErrorWriteEchoDiffers) {
        return fmt::format(
            "the reply to {} echoed another value: the write did not reach the controller "
            "(a gateway that answers writes itself does not pass them on); nothing was saved",
            DescribeRequest(m_controller, event.id));
    }
    const auto exception = platform::ModbusExceptionOf(event.errorCode);
    if (event.success || !exception) {
        m_refusedInARow.erase(event.id);
        return {};
    }
    if (*exception == platform::kGatewayPathUnavailable) {
        return res::GatewayPathUnavailableHint(m_controller.SlaveAddress());
    }
    if (platform::IsBusyException(*exception) || *exception == platform::kGatewayTargetFailed ||
        (++m_refusedInARow[event.id] < 2 && IsInput(event.id))) {
        return {};
    }
    const std::string name = platform::ModbusExceptionName(*exception);
    return fmt::format("the controller refused {}: exception {}{}", DescribeRequest(m_controller, event.id),
                       unsigned{*exception}, name.empty() ? "" : " (" + name + ")");
}

std::string CRefusals::UnknownValueText(const DeviceEvent& event) const {
    const auto value = platform::UnknownValueOf(event.errorCode);
    if (event.success || !value || !IsInput(event.id)) {
        return {};
    }
    return fmt::format("the controller reports {} {}, which this tool does not know", VariableName(event.id),
                       *value);
}

std::string CRefusals::UnknownValues() const {
    std::string texts;
    for (const auto& [id, text] : m_unknownValues) {
        texts += (texts.empty() ? "" : "; ") + text;
    }
    return texts;
}
