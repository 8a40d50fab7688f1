#include "cli/TraceOption.h"

#include <cstdio>
#include <string>
#include <system_error>

#include "cli/Messages.h"

bool StartTrace(const CliOptions& options, std::optional<traffic::Trace>& trace) {
    try {
        if (!options.traceFile.empty()) {
            trace.emplace(options.traceFile);
        } else if (options.trace) {
            trace.emplace(stderr);
        }
    } catch (const std::system_error& error) {
        PrintError(std::string("cannot write the trace: ") + error.what());
        return false;
    }
    return true;
}
