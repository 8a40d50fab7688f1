#include "log/LogService.h"

#include <fmt/format.h>

#include <ctime>
#include <string>

#include "platform/DebugOutput.h"
#include "platform/LocalTime.h"
#include "platform/SystemText.h"
#include "platform/Thread.h"

namespace {

constexpr std::string_view kStartLine = "Log service started at %s\n";
constexpr std::string_view kStopLine = "Log service stopped at %s\n\n\n";
constexpr std::string_view kThreadPrefix = "%u: ";
constexpr std::string_view kSystemTextBlanks = " \t\r\n";
#ifdef _WIN32
constexpr bool kCodesShown = true;
#else
constexpr bool kCodesShown = false;
#endif

// Texts up to the inline size need no allocation.
using TextBuffer = fmt::basic_memory_buffer<char, 256>;
using PrefixBuffer = fmt::basic_memory_buffer<char, 16>;

// Appends the formatted text to out. The length is measured first so that a long text takes exactly
// one allocation. fmt 9 has no public call that printf-formats into a caller's buffer; fmt::sprintf
// itself is built on detail::vprintf, which is what is used here. A format that does not fit its
// arguments is appended unformatted, so that a bad format never loses the message nor throws.
template <std::size_t InlineSize>
void AppendFormatted(fmt::basic_memory_buffer<char, InlineSize>& out, std::string_view format,
                     fmt::printf_args args) {
    const fmt::string_view pattern(format.data(), format.size());
    const std::size_t start = out.size();
    try {
        fmt::detail::counting_buffer<char> counter;
        fmt::detail::vprintf(counter, pattern, args);
        out.reserve(start + counter.count());
        fmt::detail::vprintf(out, pattern, args);
    } catch (const fmt::format_error&) {
        out.resize(start);
        out.append(format);
    }
}

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(kSystemTextBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kSystemTextBlanks) - first + 1);
}

std::string_view View(const TextBuffer& buffer) {
    return {buffer.data(), buffer.size()};
}

}  // namespace

CLogService& CLogService::Instance() {
    static CLogService service;
    return service;
}

CLogService::CLogService() {
    const std::string now = platform::LocalTimeText(std::time(nullptr));
    Output(kStartLine, false, fmt::make_printf_args(now));
}

CLogService::~CLogService() {
    const std::string now = platform::LocalTimeText(std::time(nullptr));
    Output(kStopLine, false, fmt::make_printf_args(now));
}

void CLogService::Output(std::string_view format, bool showMessage, fmt::printf_args args) {
    TextBuffer text;
    AppendFormatted(text, format, args);
    Write(View(text), showMessage);
}

void CLogService::OutputError(std::string_view format, std::uint32_t errorCode, std::string_view hint,
                              fmt::printf_args args) {
    const std::string systemText = platform::SystemErrorText(errorCode);
    const std::string_view system = Trim(systemText);
    TextBuffer text;
    AppendFormatted(text, format, args);
    // The diagnostics always carry the code; a message shown carries it only where the system's own
    // messages do (Windows): elsewhere a hex code means nothing to the operator.
    std::string shown(View(text));
    shown += '\n';
    shown += system;
    shown += system.empty() ? "" : "\n";
    // The message is finished text here: the suffix is formatted on its own, never the message again.
    AppendFormatted(text, res::LoadString(res::IDS_ERROR_SUFFIX), fmt::make_printf_args(system, errorCode));
    if (!hint.empty()) {
        text.append(hint.begin(), hint.end());
        text.push_back('\n');
        shown += hint;
        shown += '\n';
    }
    Write(View(text), kCodesShown);
    if (!kCodesShown) {
        platform::ShowMessageBox(shown);
    }
}

void CLogService::Write(std::string_view text, bool showMessage) {
    {
        std::lock_guard guard(m_lock);
        PrefixBuffer prefix;
        AppendFormatted(prefix, kThreadPrefix, fmt::make_printf_args(platform::GetCurrentThreadId()));
        platform::OutputDebugText({prefix.data(), prefix.size()});
        platform::OutputDebugText(text);
    }
    // Outside the lock: a box blocks its thread until closed and must not hold up other threads' output.
    if (showMessage) {
        platform::ShowMessageBox(text);
    }
}
