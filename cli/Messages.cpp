#include "cli/Messages.h"

#include "platform/AppErrors.h"

#include <cstdio>
#include <mutex>

#include "cli/ExitCodes.h"
#include "cli/JsonLine.h"
#include "log/LogService.h"

namespace {

std::mutex g_mutex;  // the message box sink may be called from the worker thread
std::string g_lastError;

void Print(std::string_view text) {
    std::string line = std::string(kProgramName) + ": " + std::string(text);
    if (line.back() != '\n') {
        line += '\n';
    }
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}

}  // namespace

void RememberError(std::string_view text) {
    const std::lock_guard lock(g_mutex);
    g_lastError = text;
    while (!g_lastError.empty() && g_lastError.back() == '\n') {
        g_lastError.pop_back();
    }
}

void PrintError(std::string_view text) {
    RememberError(text);
    Print(text);
}

void PrintNote(std::string_view text) {
    Print(text);
}

std::string LastError() {
    const std::lock_guard lock(g_mutex);
    return g_lastError;
}

std::string ErrorJson(std::string_view error, int exitCode) {
    return JsonLine({{"error", error}, {"exitCode", exitCode}});
}

void ReportPortFailure(std::uint32_t errorCode) {
    CLogService::Instance().ReportError(res::IDS_DEVICE_ERROR, errorCode);
}

int ReportWaitFailure(const EventWaitEnd& end) {
    if (end.kind == EventWaitEnd::Refused) {
        PrintError(end.refusal);
        // No unit at that address behind the gateway: the connection's settings, as a port that will
        // not open.
        if (end.error == platform::kErrorWriteEchoDiffers) {
            return kExitMismatch;
        }
        return platform::ModbusExceptionOf(end.error) == platform::kGatewayPathUnavailable ? kExitPortOpen
                                                                                           : kExitRejected;
    }
    ReportPortFailure(end.error);
    return kExitPortFailure;
}
