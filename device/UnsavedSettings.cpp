#include "device/UnsavedSettings.h"

#include <fmt/format.h>

#include "device/Ardeno.h"

std::string UnsavedSettingsText(const CommConfig& written, const std::vector<int>& writes,
                                std::string_view modeName) {
    std::string registers;
    for (int id : writes) {
        const std::string setting =
            id == kVarAddressSet    ? fmt::format("33 (address {})", unsigned{written.m_address})
            : id == kVarBaudRateSet ? fmt::format("34 (baud rate {})", written.m_baudRate)
                                    : fmt::format("35 (mode {})", modeName);
        registers += (registers.empty() ? "" : ", ") + setting;
    }
    if (registers.empty()) {
        return {};
    }
    return fmt::format(
        "holding register{} {} hold{} new values that are not saved and vanish at the controller's next "
        "restart unless saved",
        writes.size() == 1 ? "" : "s", registers, writes.size() == 1 ? "s" : "");
}

std::string StoppedWriteText(std::string_view whereNow, std::string_view checkWith,
                             std::string_view findWith) {
    return fmt::format(
        "the write stopped: the controller may hold some of the new settings, or be saving them. Until its "
        "next restart it answers at {}: check with {}; if it does not answer there, find it with {}. A save "
        "it finished takes effect at its next restart.",
        whereNow, checkWith, findWith);
}
