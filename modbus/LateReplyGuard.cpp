#include "modbus/LateReplyGuard.h"

#include <algorithm>
#include <chrono>

std::uint64_t ReadAllowanceMs(const platform::ReadTimeouts& limits, std::size_t length) {
    return limits.totalConstantMs + std::uint64_t{limits.totalPerByteMs} * length;
}

std::uint32_t GuardQuietMs(const platform::ReadTimeouts& limits, std::size_t replyLength) {
    const std::uint64_t quiet = ReadAllowanceMs(limits, replyLength) + limits.intervalMs;
    return static_cast<std::uint32_t>(
        std::clamp<std::uint64_t>(quiet, 1, UINT32_MAX / kGuardMaxQuietPeriods));
}

bool AwaitQuietLine(port::IPort& port, std::uint32_t quietMs, traffic::IFrameObserver* tap) {
    using Clock = std::chrono::steady_clock;
    const auto giveUp =
        Clock::now() + std::chrono::milliseconds(std::uint64_t{quietMs} * kGuardMaxQuietPeriods);
    // Byte by byte, each read with only a total limit of quietMs: one that brings nothing proves a
    // quiet spell of that length since the last byte. (The guard is rare; a byte a read is cheap here.)
    const platform::ReadTimeouts quietSpell{0, 0, quietMs};
    // What was dropped is told as one late frame (or one per full buffer).
    std::uint8_t dropped[256];
    std::size_t count = 0;
    const auto tell = [&] {
        if (count != 0) {
            traffic::Tap(tap, traffic::Direction::FromSlave, traffic::Outcome::Late, {dropped, count});
            count = 0;
        }
    };
    std::size_t received = 0;
    do {
        if (count == sizeof dropped) {
            tell();
        }
        if (!port.Read(&dropped[count], 1, received, quietSpell)) {
            tell();
            return false;
        }
        count += received;
    } while (received != 0 && Clock::now() < giveUp);
    tell();
    return true;
}
