#include "present/CommissionRun.h"

#include "device/ControllerFacts.h"
#include "port/ComDevice.h"

#include <fmt/format.h>

#include "present/CommissionForm.h"

std::string PlanFaultText(PlanFault fault, const CommissionPlan& plan) {
    switch (fault) {
        case PlanFault::None:
            break;
        case PlanFault::FactoryAddressInRange:
            return fmt::format(
                "Address {} is where new units answer on these settings: choose a first address past it, or "
                "other new settings.",
                unsigned{plan.factory.address});
        case PlanFault::PastLastAddress:
            return fmt::format(
                "{} units from address {} need addresses up to {}, past the last one ({}): lower the first "
                "address or the number of units.",
                plan.count, unsigned{plan.firstAddress}, LastAddressNeeded(plan), unsigned{kLastAddress});
    }
    return {};
}

std::string LogNotOpenedText(const std::string& failure) {
    return failure +
           ". No controller was touched: choose a file in a writable folder (not a folder itself), or free "
           "space on its disk, then Start again.";
}

std::string LogNotKeptText(const std::string& failure) {
    return failure +
           ". The unit's row stays in the table: copy it into the log by hand, and free space or choose "
           "another log file before the next Start.";
}

std::string RunEndText(const CommissionEnd& end, const std::string& failure) {
    switch (end.kind) {
        case CommissionEnd::Done:
            return end.unit == 1 ? "1 unit done." : fmt::format("All {} units done.", end.unit);
        case CommissionEnd::Stopped:
            return fmt::format("Stopped at unit {}.", end.unit);
        case CommissionEnd::Failed:
            break;
    }
    if (end.code == kRecordNotKept) {
        return fmt::format("Stopped after unit {}: {}", end.unit, failure);
    }
    return fmt::format("Stopped at unit {}: {}", end.unit, end.code == kNoFreeAddress ? end.note : failure);
}

const std::array<const char*, kUnitColumns>& UnitTableHeaders() {
    static const std::array<const char*, kUnitColumns> headers{"Unit",  "Model",    "Firmware", "Before",
                                                               "After", "Verified", "Note"};
    return headers;
}

std::array<std::string, kUnitColumns> UnitRowCells(const UnitRecord& record) {
    return {std::to_string(record.unit),
            record.model ? std::to_string(*record.model) : std::string(),
            FirmwareText(record.firmware),
            AddressFirst(record.before),
            AddressFirst(record.after),
            record.verified ? "yes" : "no",
            record.note};
}

ScanCandidate FactoryOf(const CComDevice& port) {
    for (std::size_t index = 0; index < CommModeTable.size(); ++index) {
        if (CommModeTable[index].m_parity == port.m_parity &&
            CommModeTable[index].m_stopBits == port.m_stopBits) {
            return {{port.m_baudRate, index}, port.m_address};
        }
    }
    return {{port.m_baudRate, 0}, port.m_address};
}

CommConfig OfferedAfter(const ScanCandidate& lastDone) {
    return {lastDone.line.baudRate, lastDone.address, CommModeTable.at(lastDone.line.modeIndex).m_mode};
}
