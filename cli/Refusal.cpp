#include "cli/Refusal.h"

#include <fmt/format.h>
#include <cstdio>
#include <string>

#include "cli/ControllerValues.h"
#include "cli/Messages.h"
#include "device/Ardeno.h"
#include "platform/AppErrors.h"

namespace {

// "reading model (input register 2)", "writing the save command (holding register 32)".
std::string DescribeRequest(CArdeno& controller, int varId) {
    const CModbusDeviceVar* vars[] = {&controller.varModel,       &controller.varVersion,
                                      &controller.varConfStatus,  &controller.varAddress,
                                      &controller.varBaudRate,    &controller.varCommMode,
                                      &controller.varConfCommand, &controller.varAddressSet,
                                      &controller.varBaudRateSet, &controller.varCommModeSet};
    constexpr const char* kOutputNames[] = {"the save command", "the new address", "the new baud rate",
                                            "the new mode"};
    if (varId < 0 || varId >= static_cast<int>(std::size(vars))) {
        return "a request";
    }
    const unsigned reg = vars[varId]->m_register;
    if (const ControllerValue* value = FindControllerValue(varId)) {
        const char* table = varId == kVarModel || varId == kVarVersion ? "input" : "holding";
        return "reading " + std::string(value->name) + " (" + table + " register " + std::to_string(reg) +
               ")";
    }
    return "writing " + std::string(kOutputNames[varId - kVarConfCommand]) + " (holding register " +
           std::to_string(reg) + ")";
}

}  // namespace

bool CRefusals::Report(const DeviceEvent& event) {
    const std::string refusal = StayingRefusal(event);
    if (refusal.empty()) {
        return false;
    }
    PrintError(refusal);
    return true;
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
    const auto exception = platform::ModbusExceptionOf(event.errorCode);
    if (event.success || !exception) {
        m_refusedInARow.erase(event.id);
        return {};
    }
    const bool isWrite = event.id >= kVarConfCommand;
    if (platform::IsBusyException(*exception) || (++m_refusedInARow[event.id] < 2 && !isWrite)) {
        return {};
    }
    const std::string name = platform::ModbusExceptionName(*exception);
    return fmt::format("the controller refused {}: exception {}{}", DescribeRequest(m_controller, event.id),
                       unsigned{*exception}, name.empty() ? "" : " (" + name + ")");
}

std::string CRefusals::UnknownValueText(const DeviceEvent& event) const {
    const auto value = platform::UnknownValueOf(event.errorCode);
    const ControllerValue* known = FindControllerValue(event.id);
    if (event.success || !value || known == nullptr) {
        return {};
    }
    return fmt::format("the controller reports {} {}, which this tool does not know", known->name, *value);
}

std::string CRefusals::UnknownValues() const {
    std::string texts;
    for (const auto& [id, text] : m_unknownValues) {
        texts += (texts.empty() ? "" : "; ") + text;
    }
    return texts;
}
