#pragma once
// Milliseconds of a monotonic clock: the time base of the poll scheduler. Tests install their own
// source to drive time without sleeping.
#include <cstdint>
#include <functional>

namespace platform {

using TickSource = std::function<std::uint64_t()>;

std::uint64_t GetTickCount64();
// Installs a tick source and returns the previous one; an empty source restores the steady clock.
TickSource SetTickSource(TickSource source);

}  // namespace platform
