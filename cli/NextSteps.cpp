#include "cli/NextSteps.h"

#include <fmt/format.h>

#include "cli/Messages.h"
#include "device/ControllerFacts.h"
#include "device/UnsavedSettings.h"
#include "res/Hints.h"
#include "res/Strings.h"

std::string ConnectWithText(std::uint32_t baudRate, std::size_t modeIndex, unsigned address) {
    return fmt::format("connect with --baud {} --mode {} --address {}", baudRate, ModeName(modeIndex),
                       address);
}

namespace {

std::string ScanCommandText(const CliOptions& options) {
    return fmt::format("'{} --port {} scan'", kProgramName, options.port);
}

}  // namespace

std::string ReadCommandText(const CliOptions& options) {
    return fmt::format("{} --port {} --baud {} --mode {} --address {} read", kProgramName, options.port,
                       options.baudRate, ModeName(options.modeIndex), unsigned{options.address});
}

std::string StoppedWriteNote(const CliOptions& options) {
    const std::string_view mode = res::LoadString(CommModeTable.at(options.modeIndex).m_nameId);
    return StoppedWriteText(fmt::format("{} baud, {}, address {} on {}", options.baudRate, mode,
                                        unsigned{options.address}, options.port),
                            "'" + ReadCommandText(options) + "'", ScanCommandText(options));
}

std::string GatewayTargetFailedNote(const CliOptions& options) {
    return res::GatewayTargetFailedHint(options.address, ScanCommandText(options));
}

std::string NoAnswerNote(const CliOptions& options, const traffic::LineSignCounts& signs) {
    const std::string_view mode = res::LoadString(CommModeTable.at(options.modeIndex).m_nameId);
    const std::string findWith = ScanCommandText(options);
    const char* what = traffic::NothingCameBack(signs)       ? "nothing answered"
                       : signs.answered + signs.refused == 0 ? "no valid reply"
                                                             : "damaged replies";
    return fmt::format("{} at {} baud, {}, address {} on {}. {}", what, options.baudRate, mode,
                       unsigned{options.address}, options.port, traffic::LineHint(signs, findWith));
}
