#include "scan/ProbeBudget.h"

namespace {

constexpr std::uint64_t kBitsPerCharacter = 11;
// Above 19200 baud the end-of-frame silence is fixed rather than 3.5 characters.
constexpr std::uint32_t kFixedSilenceAboveBaud = 19200;
constexpr std::uint64_t kFixedSilenceUs = 1750;

std::uint64_t EndOfFrameSilenceUs(std::uint32_t baudRate) {
    if (baudRate > kFixedSilenceAboveBaud) {
        return kFixedSilenceUs;
    }
    return CharactersUs(7, baudRate) / 2;  // 3.5 characters
}

}  // namespace

std::uint64_t CharactersUs(std::size_t characters, std::uint32_t baudRate) {
    return (characters * kBitsPerCharacter * 1'000'000 + baudRate - 1) / baudRate;
}

std::uint32_t ProbeBudgetMs(std::uint32_t baudRate, std::uint32_t answerMs) {
    const std::uint64_t us = CharactersUs(kProbeRequestBytes, baudRate) + EndOfFrameSilenceUs(baudRate) +
                             std::uint64_t{answerMs} * 1000 + CharactersUs(kProbeReplyBytes, baudRate);
    return static_cast<std::uint32_t>((us + 999) / 1000 + 1);
}

platform::ReadTimeouts ProbeTimeouts(std::uint32_t baudRate, std::uint32_t answerMs) {
    // No limit between bytes of its own: the whole budget is already shorter than any pause inside a
    // reply that a limit between bytes would be there to end.
    return {0, 0, ProbeBudgetMs(baudRate, answerMs)};
}

std::uint64_t ProbeFloorUs(std::uint32_t baudRate) {
    return CharactersUs(kProbeRequestBytes + kProbeReplyBytes, baudRate);
}
