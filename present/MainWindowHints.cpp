#include "present/MainWindowHints.h"

#include <fmt/format.h>

#include <cctype>

#include "device/UnsavedSettings.h"
#include "present/LineSettingsText.h"
#include "res/Hints.h"
#include "scan/ScanPlan.h"

std::string NoAnswerWindowHint(std::uint32_t baudRate, std::string_view modeName, unsigned address,
                               const traffic::LineSignCounts& signs) {
    constexpr std::string_view kFindWith = "Change, then Find";
    const bool silent = traffic::NothingCameBack(signs);
    return fmt::format("{} at {} baud, {}, address {}. ", silent ? "Nothing answers" : "No valid reply",
                       baudRate, modeName, address) +
           traffic::LineHint(signs, kFindWith);
}

std::string CopiedRepliesWindowHint(unsigned address) {
    // The shared words start a clause; here they stand as a sentence of their own.
    std::string text = res::CopiedRepliesHint(address, kFactorySettings.address) + ".";
    text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text;
}

std::string LostPortDuringWriteHint(const CommConfig& written, const std::vector<int>& writes,
                                    std::uint32_t baudRate, std::string_view modeName, unsigned address) {
    const std::string left = UnsavedSettingsText(written, writes, ModeName(written.m_mode));
    if (left.empty()) {
        return {};
    }
    return fmt::format(
        "The write stopped before the save: {}. Until then the controller answers at {} baud, {}, "
        "address {}: connect the adapter again, connect at those settings and Write again to save the "
        "new ones, or restart the controller to drop them.",
        left, baudRate, modeName, address);
}

std::string RestartedWithWrittenHint(const std::string& written) {
    return "No answer here since the write: after a restart the controller uses " + written +
           ". Press Change: the connection dialog offers these settings.";
}

std::string StoppedWriteWindowHint(const CommConfig& written, const std::vector<int>& writes,
                                   const traffic::TraceSetting& connection) {
    const std::string where =
        fmt::format("{}, {}, address {}", connection.port, connection.line, connection.address);
    const std::string left = UnsavedSettingsText(written, writes, ModeName(written.m_mode));
    if (!left.empty()) {
        return fmt::format(
            "The write stopped before the save: {}. Until its next restart the controller answers at {}: "
            "Read shows what it holds, Write again saves the new settings.",
            left, where);
    }
    std::string text = StoppedWriteText(where, "Read", "Change, then Find");
    text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text;
}
