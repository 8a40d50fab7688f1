#include "traffic/TraceWriter.h"

#include <chrono>
#include <string>

namespace traffic {
namespace {

// Often enough that a trace follows the line as a person watches it.
constexpr std::chrono::milliseconds kWritePeriod{50};

}  // namespace

TraceWriter::TraceWriter(FrameRing& ring, std::FILE* stream, const std::string& header)
    : m_ring(ring), m_stream(stream), m_origin(Clock::now()) {
    if (!header.empty()) {
        std::fputs(header.c_str(), m_stream);
        std::fflush(m_stream);
    }
    m_thread = std::thread([this] { Run(); });
}

TraceWriter::~TraceWriter() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    m_thread.join();
    WriteDrained();
    if (const std::string signs = DescribeSigns(m_signs.Counts()); !signs.empty()) {
        std::fprintf(m_stream, "(%s)\n", signs.c_str());
        std::fflush(m_stream);
    }
}

void TraceWriter::Note(const std::string& text) {
    std::lock_guard lock(m_notesMutex);
    m_notes += '(';
    m_notes += text;
    m_notes += ")\n";
}

void TraceWriter::Run() {
    std::unique_lock lock(m_mutex);
    while (!m_wake.wait_for(lock, kWritePeriod, [this] { return m_stop; })) {
        WriteDrained();
    }
}

void TraceWriter::WriteDrained() {
    std::string text;
    for (const Frame& frame : m_ring.Drain()) {
        text += FormatTimedLine(frame, m_origin, m_wall) + '\n';
        m_signs.OnFrame(frame);
    }
    if (const std::uint64_t lost = m_ring.Lost(); lost != m_lostReported) {
        // Appended piece by piece: GCC 12 warns wrongly (-Wrestrict) about "(" + std::string.
        text += '(';
        text += std::to_string(lost - m_lostReported);
        text += " frames lost: the trace fell behind)\n";
        m_lostReported = lost;
    }
    {
        std::lock_guard lock(m_notesMutex);
        text += m_notes;
        m_notes.clear();
    }
    if (!text.empty()) {
        std::fwrite(text.data(), 1, text.size(), m_stream);
        std::fflush(m_stream);
    }
}

}  // namespace traffic
