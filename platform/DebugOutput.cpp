#include "platform/DebugOutput.h"

#include <cstdio>
#include <mutex>
#include <string>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#endif

namespace platform {
namespace {

struct Sinks {
    std::mutex lock;
    TextSink debug;
    TextSink messageBox;
};

// Never destroyed: the log service writes its stop line from a static destructor, which may run after
// this file's own statics would have been torn down (or, if the service was first used during static
// initialisation, before they were built).
Sinks& TheSinks() {
    static auto* sinks = new Sinks;
    return *sinks;
}

#ifdef _WIN32
std::wstring Widen(std::string_view text) {
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}
#endif

void DefaultDebugOutput(std::string_view text) {
#ifdef _WIN32
    OutputDebugStringW(Widen(text).c_str());
#else
    WriteToStandardError(text);
#endif
}

// A copy of the sink is taken under the lock, so that a sink may be replaced while others write.
TextSink CurrentSink(TextSink Sinks::*slot) {
    Sinks& sinks = TheSinks();
    std::lock_guard guard(sinks.lock);
    return sinks.*slot;
}

TextSink ReplaceSink(TextSink Sinks::*slot, TextSink sink) {
    Sinks& sinks = TheSinks();
    std::lock_guard guard(sinks.lock);
    return std::exchange(sinks.*slot, std::move(sink));
}

}  // namespace

void WriteToStandardError(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

void OutputDebugText(std::string_view text) {
    if (auto sink = CurrentSink(&Sinks::debug)) {
        sink(text);
    } else {
        DefaultDebugOutput(text);
    }
}

TextSink SetDebugOutputSink(TextSink sink) {
    return ReplaceSink(&Sinks::debug, std::move(sink));
}

void ShowMessageBox(std::string_view text) {
    if (auto sink = CurrentSink(&Sinks::messageBox)) {
        sink(text);
    } else {
        WriteToStandardError(text);
        if (text.empty() || text.back() != '\n') {
            WriteToStandardError("\n");
        }
    }
}

TextSink SetMessageBoxSink(TextSink sink) {
    return ReplaceSink(&Sinks::messageBox, std::move(sink));
}

}  // namespace platform
