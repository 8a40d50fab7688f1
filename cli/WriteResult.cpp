#include "cli/WriteResult.h"

#include <fmt/format.h>

#include "cli/CliOptions.h"
#include "cli/JsonLine.h"
#include "cli/NextSteps.h"
#include "device/CommTables.h"

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
    std::string registers;
    for (int id : writes) {
        const std::string setting =
            id == kVarAddressSet    ? fmt::format("33 (address {})", unsigned{written.m_address})
            : id == kVarBaudRateSet ? fmt::format("34 (baud rate {})", written.m_baudRate)
                                    : fmt::format("35 (mode {})", ModeName(written.m_mode));
        registers += (registers.empty() ? "" : ", ") + setting;
    }
    if (registers.empty()) {
        return {};
    }
    return fmt::format(
        "the write stopped before the save: holding register{} {} hold{} new values that are not saved and "
        "vanish at the controller's next restart unless saved; to see what it holds now: ardenox-cli "
        "--port {} --baud {} --mode {} --address {} read",
        writes.size() == 1 ? "" : "s", registers, writes.size() == 1 ? "s" : "", options.port,
        options.baudRate, ModeName(options.modeIndex), unsigned{options.address});
}
