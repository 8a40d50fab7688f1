#include "traffic/Frame.h"

#include <algorithm>

namespace traffic {

Frame MakeFrame(Direction direction, Outcome outcome, std::span<const std::uint8_t> bytes,
                std::size_t expected, Clock::time_point time) {
    Frame frame;
    frame.time = time;
    frame.direction = direction;
    frame.outcome = outcome;
    frame.expected = static_cast<std::uint16_t>(std::min<std::size_t>(expected, Frame::kMaxBytes));
    frame.length = static_cast<std::uint16_t>(std::min(bytes.size(), Frame::kMaxBytes));
    std::copy_n(bytes.begin(), frame.length, frame.bytes);
    return frame;
}

}  // namespace traffic
