#pragma once
// The one channel for diagnostics and operator messages: every text goes to the debug output behind
// the writing thread's id; a text may also be shown in a modal message box.
#include <fmt/printf.h>

#include <cstdint>
#include <mutex>
#include <string_view>

#include "res/Strings.h"

class CLogService {
public:
    // The service, created on first use (thread-safe); it writes a start line when created and a stop
    // line at program exit.
    static CLogService& Instance();

    CLogService(const CLogService&) = delete;
    CLogService& operator=(const CLogService&) = delete;
    virtual ~CLogService();

    // printf-style formats (fmt's type-safe printf: "%s" takes any string, no text is ever cut).
    // A format that does not fit its arguments is written as it stands instead.
    template <typename... Args>
    void Log(std::string_view format, bool showMessage, const Args&... args) {
        Output(format, showMessage, fmt::make_printf_args(args...));
    }
    // As Log, with the format taken from the string table.
    template <typename... Args>
    void Report(unsigned messageId, bool showMessage, const Args&... args) {
        Output(res::LoadString(messageId), showMessage, fmt::make_printf_args(args...));
    }
    // The formatted message, then "\n<system text> (0x<code>)\n"; always shown.
    template <typename... Args>
    void ReportError(unsigned messageId, std::uint32_t errorCode, const Args&... args) {
        OutputError(res::LoadString(messageId), errorCode, {}, fmt::make_printf_args(args...));
    }
    // As ReportError, with `hint` as one more line after the system text when it is not empty.
    template <typename... Args>
    void ReportErrorWithHint(unsigned messageId, std::uint32_t errorCode, std::string_view hint,
                             const Args&... args) {
        OutputError(res::LoadString(messageId), errorCode, hint, fmt::make_printf_args(args...));
    }

private:
    CLogService();
    void Output(std::string_view format, bool showMessage, fmt::printf_args args);
    void OutputError(std::string_view format, std::uint32_t errorCode, std::string_view hint,
                     fmt::printf_args args);
    void Write(std::string_view text, bool showMessage);

    // Keeps the prefix and the text of one message together on the debug output.
    std::mutex m_lock;
};
