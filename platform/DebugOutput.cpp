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

std::mutex g_sinkLock;
TextSink g_debugSink;
TextSink g_messageBoxSink;

void WriteToStandardError(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

#ifdef _WIN32
std::wstring Widen(std::string_view text) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
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
TextSink CurrentSink(const TextSink& sink) {
    std::lock_guard guard(g_sinkLock);
    return sink;
}

TextSink ReplaceSink(TextSink& slot, TextSink sink) {
    std::lock_guard guard(g_sinkLock);
    return std::exchange(slot, std::move(sink));
}

}  // namespace

void OutputDebugText(std::string_view text) {
    if (auto sink = CurrentSink(g_debugSink)) {
        sink(text);
    } else {
        DefaultDebugOutput(text);
    }
}

TextSink SetDebugOutputSink(TextSink sink) { return ReplaceSink(g_debugSink, std::move(sink)); }

void ShowMessageBox(std::string_view text) {
    if (auto sink = CurrentSink(g_messageBoxSink)) {
        sink(text);
    } else {
        WriteToStandardError(text);
        if (text.empty() || text.back() != '\n') {
            WriteToStandardError("\n");
        }
    }
}

TextSink SetMessageBoxSink(TextSink sink) { return ReplaceSink(g_messageBoxSink, std::move(sink)); }

}  // namespace platform
