#include "modbus/LateReplyGuard.h"

#include <algorithm>
#include <chrono>

std::uint64_t ReadAllowanceMs(const platform::ReadTimeouts& limits, std::size_t length) {
    return limits.totalConstantMs + std::uint64_t{limits.totalPerByteMs} * length;
}

std::uint32_t GuardQuietMs(const platform::ReadTimeouts& limits, std::size_t replyLength) {
    const std::uint64_t quiet =
        std::max<std::uint64_t>(ReadAllowanceMs(limits, replyLength), limits.intervalMs);
    return static_cast<std::uint32_t>(
        std::clamp<std::uint64_t>(quiet, 1, UINT32_MAX / kGuardMaxQuietPeriods));
}

bool AwaitQuietLine(platform::SerialHandle& port, std::uint32_t quietMs, traffic::IFrameObserver* tap) {
    using Clock = std::chrono::steady_clock;
    const auto giveUp =
        Clock::now() + std::chrono::milliseconds(std::uint64_t{quietMs} * kGuardMaxQuietPeriods);
    // A read with only a total limit of quietMs that brings nothing proves a quiet spell of that length.
    const platform::ReadTimeouts quietSpell{0, 0, quietMs};
    std::uint8_t dropped[256];
    std::size_t received = 0;
    do {
        if (!port.Read(dropped, sizeof dropped, received, quietSpell)) {
            return false;
        }
        if (received != 0) {
            traffic::Tap(tap, traffic::Direction::FromSlave, traffic::Outcome::Late, {dropped, received});
        }
    } while (received != 0 && Clock::now() < giveUp);
    return true;
}
