#pragma once
// The one channel for diagnostics and operator messages: every text goes to the debug output behind
// the writing thread's id; a text may also be shown in a modal message box.
#include <cstdint>
#include <mutex>
#include <string_view>

class CLogService {
public:
    // The service, created on first use (thread-safe); it writes a start line when created and a stop
    // line at program exit.
    static CLogService& Instance();

    CLogService(const CLogService&) = delete;
    CLogService& operator=(const CLogService&) = delete;
    virtual ~CLogService();

    // printf-style formats (fmt's type-safe printf: "%s" takes any string, no text is ever cut).
    template <typename... Args>
    void Log(std::string_view format, bool showMessage, const Args&... args);
    // As Log, with the format taken from the string table.
    template <typename... Args>
    void Report(unsigned messageId, bool showMessage, const Args&... args);
    // The formatted message, then "\n<system text> (0x<code>)\n"; always shown.
    template <typename... Args>
    void ReportError(unsigned messageId, std::uint32_t errorCode, const Args&... args);

private:
    CLogService();
    // ...
    std::mutex m_lock;
};
