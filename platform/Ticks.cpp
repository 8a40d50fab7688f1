#include "platform/Ticks.h"

#include <chrono>
#include <mutex>
#include <utility>

namespace platform {
namespace {

std::mutex g_sourceLock;
TickSource g_source;

std::uint64_t SteadyMilliseconds() {
    const auto sinceEpoch = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count());
}

}  // namespace

std::uint64_t GetTickCount64() {
    std::unique_lock guard(g_sourceLock);
    if (!g_source) {
        return SteadyMilliseconds();
    }
    auto source = g_source;
    guard.unlock();
    return source();
}

TickSource SetTickSource(TickSource source) {
    std::lock_guard guard(g_sourceLock);
    return std::exchange(g_source, std::move(source));
}

}  // namespace platform
