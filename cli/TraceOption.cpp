#include "cli/TraceOption.h"

#include <fmt/format.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <system_error>

#include "cli/Messages.h"
#include "device/ControllerFacts.h"
#include "res/Strings.h"
#include "traffic/TraceHeader.h"

bool StartTrace(const CliOptions& options, std::optional<traffic::Trace>& trace) {
    const traffic::TraceSetting setting{
        options.port,
        fmt::format("{} baud, {}", options.baudRate,
                    res::LoadString(CommModeTable.at(options.modeIndex).m_nameId)),
        options.address};
    const std::string header = traffic::TraceHeader(setting, std::chrono::system_clock::now());
    try {
        if (!options.traceFile.empty()) {
            trace.emplace(options.traceFile, header);
        } else if (options.trace) {
            trace.emplace(stderr, header);
        }
    } catch (const std::system_error& error) {
        PrintError(std::string("cannot write the trace: ") + error.what());
        return false;
    }
    return true;
}
