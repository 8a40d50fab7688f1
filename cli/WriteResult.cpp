#include "cli/WriteResult.h"

#include <fmt/format.h>

#include "cli/CliOptions.h"
#include "cli/JsonLine.h"
#include "cli/NextSteps.h"
#include "device/ControllerFacts.h"
#include "device/UnsavedSettings.h"

namespace {

std::string ModeText(const CommConfig& config) {
    return std::string(res::LoadString(CommModeTable.at(config.m_mode).m_nameId));
}

}  // namespace

std::string NextStepText(const CommConfig& written) {
    // A kept speed no --baud takes: naming it as one to connect with would send the operator astray.
    const std::string next =
        IsOfferedBaudRate(written.m_baudRate)
            ? ConnectWithText(written.m_baudRate, written.m_mode, written.m_address)
            : "ardenox-cli connects only at 9600, 19200, 38400 or 57600 baud: to reach the controller "
              "after its restart, write one of them with --new-baud before restarting it";
    return fmt::format("the controller uses {} baud, {}, address {} after its next restart; {}",
                       written.m_baudRate, ModeText(written), unsigned{written.m_address}, next);
}

std::string WriteResultJson(const CommConfig& written, const std::vector<std::string>& steps) {
    return JsonLine({{"address", written.m_address},
                     {"baudRate", written.m_baudRate},
                     {"mode", ModeText(written)},
                     {"modeName", ModeName(written.m_mode)},
                     {"steps", steps},
                     {"next", NextStepText(written)}});
}

std::string LeftUnsavedText(const CommConfig& written, const std::vector<int>& writes,
                            const CliOptions& options) {
    const std::string left = UnsavedSettingsText(written, writes, ModeName(written.m_mode));
    if (left.empty()) {
        return {};
    }
    return fmt::format("the write stopped before the save: {}; to see what it holds now: {}", left,
                       ReadCommandText(options));
}
