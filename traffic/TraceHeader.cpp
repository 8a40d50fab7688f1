#include "traffic/TraceHeader.h"

#include <fmt/chrono.h>
#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <ctime>

#include "traffic/Decoder.h"

namespace traffic {
namespace {

std::string Formatted(const std::tm& local, const char* format) {
    std::array<char, 64> text{};
    return {text.data(), std::strftime(text.data(), text.size(), format, &local)};
}

// "+0100": how far local time is from UTC, counted rather than asked of strftime, whose %z Windows'
// runtime does not give.
std::string UtcOffset(std::time_t seconds, const std::tm& local) {
    const std::tm utc = fmt::gmtime(seconds);
    const int days =
        local.tm_year != utc.tm_year ? (local.tm_year > utc.tm_year ? 1 : -1) : local.tm_yday - utc.tm_yday;
    const int minutes = days * 24 * 60 + (local.tm_hour - utc.tm_hour) * 60 + local.tm_min - utc.tm_min;
    const int magnitude = std::abs(minutes);
    return fmt::format("{}{:02}{:02}", minutes < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
}

// "2026-12-10 08:49:32 +0000 (UTC)"; the zone's name only where the system gives a short ASCII one.
std::string LocalMoment(std::chrono::system_clock::time_point moment) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(moment);
    const std::tm local = fmt::localtime(seconds);  // thread-safe on every system
    std::string text = Formatted(local, "%Y-%m-%d %H:%M:%S ") + UtcOffset(seconds, local);
    const std::string zone = Formatted(local, "%Z");
    const bool plain = std::all_of(zone.begin(), zone.end(), [](char c) { return c > ' ' && c <= '~'; });
    if (!zone.empty() && zone.size() <= 6 && plain) {
        text += " (" + zone + ")";
    }
    return text;
}

}  // namespace

std::string TraceHeader(const TraceSetting& setting, std::chrono::system_clock::time_point start) {
    const std::string where = setting.port.empty() ? std::string()
                                                   : fmt::format("# port {}, {}, address {}\n", setting.port,
                                                                 setting.line, setting.address);
    return fmt::format("# traffic from {}\n{}# time of day, seconds since the start, frame, outcome, bytes\n",
                       LocalMoment(start), where);
}

std::string FormatTimedLine(const Frame& frame, Clock::time_point origin, const WallClock& wall) {
    const std::chrono::system_clock::time_point moment = wall.At(frame.time);
    // The time before the moment's second, so that the milliseconds never read 1000.
    const auto sinceEpoch = moment.time_since_epoch();
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(
        sinceEpoch - std::chrono::floor<std::chrono::seconds>(sinceEpoch));
    return fmt::format("{}.{:03}{}",
                       Formatted(fmt::localtime(std::chrono::system_clock::to_time_t(moment)), "%H:%M:%S"),
                       millis.count(), FormatLine(frame, origin));
}

}  // namespace traffic
