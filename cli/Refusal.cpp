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

bool ReportRefusal(CArdeno& controller, const DeviceEvent& event) {
    const auto exception = platform::ModbusExceptionOf(event.errorCode);
    if (event.kind != DeviceEvent::VarUpdated || event.success || !exception) {
        return false;
    }
    const std::string name = platform::ModbusExceptionName(*exception);
    PrintError(fmt::format("the controller refused {}: exception {}{}", DescribeRequest(controller, event.id),
                           unsigned{*exception}, name.empty() ? "" : " (" + name + ")"));
    return true;
}
