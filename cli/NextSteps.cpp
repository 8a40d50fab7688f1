#include "cli/NextSteps.h"

#include <fmt/format.h>

#include "cli/Messages.h"
#include "device/ControllerFacts.h"
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

std::string GatewayTargetFailedNote(const CliOptions& options) {
    return res::GatewayTargetFailedHint(options.address, ScanCommandText(options));
}

std::string NoAnswerNote(const CliOptions& options, const traffic::LineSignCounts& signs) {
    const std::string_view mode = res::LoadString(CommModeTable.at(options.modeIndex).m_nameId);
    const std::string findWith = ScanCommandText(options);
    const bool silent = traffic::NothingCameBack(signs);
    return fmt::format("{} at {} baud, {}, address {} on {}. {}",
                       silent ? "nothing answered" : "no valid reply", options.baudRate, mode,
                       unsigned{options.address}, options.port, traffic::LineHint(signs, findWith));
}
