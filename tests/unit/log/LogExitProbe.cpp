// A whole program run around the log service, so that tests can see everything it writes to standard
// error from start to exit. Without arguments it never uses the service; with "log" it logs one line.
#include <string_view>

#include "log/LogService.h"
#include "platform/DebugOutput.h"

int main(int argc, char** argv) {
    platform::SetDebugOutputSink(platform::WriteToStandardError);
    if (argc > 1 && std::string_view(argv[1]) == "log") {
        CLogService::Instance().Log("probe %s\n", false, "message");
    }
    return 0;
}
