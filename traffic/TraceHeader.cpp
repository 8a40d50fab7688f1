#include "traffic/TraceHeader.h"

#include <fmt/format.h>

#include <array>
#include <ctime>

#include "traffic/Decoder.h"

namespace traffic {
namespace {

std::tm LocalTime(std::chrono::system_clock::time_point moment) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(moment);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    return local;
}

std::string Formatted(const std::tm& local, const char* format) {
    std::array<char, 64> text{};
    return {text.data(), std::strftime(text.data(), text.size(), format, &local)};
}

}  // namespace

std::string TraceHeader(const TraceSetting& setting, std::chrono::system_clock::time_point start) {
    const std::string where = setting.port.empty() ? std::string()
                                                   : fmt::format("# port {}, {}, address {}\n", setting.port,
                                                                 setting.line, setting.address);
    return fmt::format("# traffic from {}\n{}# time of day, seconds since the start, frame, outcome, bytes\n",
                       Formatted(LocalTime(start), "%Y-%m-%d %H:%M:%S %z (%Z)"), where);
}

std::string FormatTimedLine(const Frame& frame, Clock::time_point origin, const WallClock& wall) {
    const std::chrono::system_clock::time_point moment = wall.At(frame.time);
    // The time before the moment's second, so that the milliseconds never read 1000.
    const auto sinceEpoch = moment.time_since_epoch();
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(
        sinceEpoch - std::chrono::floor<std::chrono::seconds>(sinceEpoch));
    return fmt::format("{}.{:03}{}", Formatted(LocalTime(moment), "%H:%M:%S"), millis.count(),
                       FormatLine(frame, origin));
}

}  // namespace traffic
