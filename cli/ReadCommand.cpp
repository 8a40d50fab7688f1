// read: waits for the first complete set of the controller's values and prints it once.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/AwaitValues.h"
#include "cli/Commands.h"
#include "cli/Connection.h"
#include "cli/ControllerValues.h"
#include "cli/ExitCodes.h"

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
    const CommandDeadline deadline(TimeoutSeconds(options, kDefaultTimeoutSeconds));
    CliConnection connection;
    if (!connection.Open(options, &deadline)) {
        return OpenFailedExitCode();
    }
    ValueTexts texts;
    const int exitCode = AwaitValues(connection, deadline, [&] {
        std::string missing;
        texts = ReadAll(connection.Controller(), missing);
        return missing;
    });
    if (exitCode == kExitOk) {
        std::fputs((options.json ? FormatJson(texts) : FormatLines(texts)).c_str(), stdout);
    }
    return exitCode;
}
