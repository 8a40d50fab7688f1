#pragma once
// A bounded buffer of frames between the thread that owns the line and a reader (the traffic window,
// a trace writer). The line's thread never waits: OnFrame copies into a free slot, or counts the frame
// as lost when the reader has fallen a whole buffer behind. Memory stays at capacity frames for as
// long as the program runs.
//
// One producer and one consumer at a time, without a lock: the producer alone advances m_written and
// the consumer alone advances m_read. A buffer handed from one line thread to the next (a new
// connection) is fine, as the old thread has been joined before the new one starts.
#include <atomic>
#include <cstdint>
#include <vector>

#include "traffic/Frame.h"

namespace traffic {

class FrameRing final : public IFrameObserver {
public:
    static constexpr std::size_t kDefaultCapacity = 10000;

    explicit FrameRing(std::size_t capacity = kDefaultCapacity);

    // Producer.
    void OnFrame(const Frame& frame) override;

    // Consumer: the frames in line order since the last call.
    std::vector<Frame> Drain();
    // Frames lost because the buffer was full, since the start.
    std::uint64_t Lost() const { return m_lost.load(std::memory_order_relaxed); }

private:
    std::vector<Frame> m_slots;
    std::atomic<std::uint64_t> m_written{0};
    std::atomic<std::uint64_t> m_read{0};
    std::atomic<std::uint64_t> m_lost{0};
};

}  // namespace traffic
