#include "traffic/FrameRing.h"

namespace traffic {

FrameRing::FrameRing(std::size_t capacity) : m_slots(capacity == 0 ? 1 : capacity) {}

void FrameRing::OnFrame(const Frame& frame) {
    const std::uint64_t written = m_written.load(std::memory_order_relaxed);
    if (written - m_read.load(std::memory_order_acquire) == m_slots.size()) {
        m_lost.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    m_slots[written % m_slots.size()] = frame;
    m_written.store(written + 1, std::memory_order_release);
}

std::vector<Frame> FrameRing::Drain() {
    const std::uint64_t read = m_read.load(std::memory_order_relaxed);
    const std::uint64_t written = m_written.load(std::memory_order_acquire);
    std::vector<Frame> frames;
    frames.reserve(written - read);
    for (std::uint64_t k = read; k != written; ++k) {
        frames.push_back(m_slots[k % m_slots.size()]);
    }
    m_read.store(written, std::memory_order_release);
    return frames;
}

}  // namespace traffic
