// read: waits for the first complete set of the controller's values and prints it once.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Connection.h"
#include "cli/ControllerValues.h"
#include "cli/ExitCodes.h"
#include "cli/Refusal.h"
#include "cli/WaitLoop.h"

namespace {

constexpr double kDefaultTimeoutSeconds = 5;

using ValueTexts = std::vector<std::pair<const ControllerValue*, std::string>>;

// Every value's text, or the names of those that have none yet in missing.
ValueTexts ReadAll(CArdeno& controller, std::string& missing) {
    ValueTexts texts;
    for (const ControllerValue& value : ControllerValues()) {
        if (auto text = value.read(controller)) {
            texts.emplace_back(&value, *text);
        } else {
            missing += (missing.empty() ? "" : ", ") + std::string(value.name);
        }
    }
    return texts;
}

}  // namespace

int RunRead(const CliOptions& options) {
    const double timeoutSeconds = options.timeoutSeconds.value_or(kDefaultTimeoutSeconds);
    CliConnection connection;
    if (!connection.Open(options)) {
        return kExitPortOpen;
    }
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                               std::chrono::duration<double>(timeoutSeconds));
    for (;;) {
        std::string missing;
        const ValueTexts texts = ReadAll(connection.Controller(), missing);
        if (missing.empty()) {
            const std::string output = options.json ? FormatJson(texts) : FormatLines(texts);
            std::fputs(output.c_str(), stdout);
            return kExitOk;
        }
        DeviceEvent event;
        switch (WaitForEvent(connection.Events(), deadline, event)) {
            case WaitResult::Interrupted:
                return kExitInterrupted;
            case WaitResult::TimedOut:
                std::fprintf(stderr, "ardenox-cli: no value within %g s for: %s\n", timeoutSeconds,
                             missing.c_str());
                return kExitTimeout;
            case WaitResult::Event:
                if (event.kind == DeviceEvent::DeviceError) {
                    ReportPortFailure(event.errorCode);
                    return kExitPortFailure;
                }
                if (ReportRefusal(connection.Controller(), event)) {
                    return kExitRejected;
                }
                break;
        }
    }
}
