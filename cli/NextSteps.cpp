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

std::string NoAnswerNote(const CliOptions& options) {
    const std::string_view mode = res::LoadString(CommModeTable.at(options.modeIndex).m_nameId);
    return fmt::format("nothing answered at {} baud, {}, address {} on {}. {}", options.baudRate, mode,
                       unsigned{options.address}, options.port,
                       res::NoAnswerHint(fmt::format("'{} --port {} scan'", kProgramName, options.port)));
}
