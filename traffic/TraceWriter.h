#pragma once
// Writes the frames of a buffer to a stream as decoded lines, on a thread of its own, so that the
// thread that owns the line never waits for a terminal or a disk. Used by the command line's trace
// and the stand-in's log.
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "traffic/FrameRing.h"
#include "traffic/LineSigns.h"
#include "traffic/TraceHeader.h"

namespace traffic {

class TraceWriter {
public:
    // The stream is not owned; `header` (TraceHeader, may be empty) goes first. Each line gives the time of
    // day and the seconds since the writer started.
    TraceWriter(FrameRing& ring, std::FILE* stream, const std::string& header = {});
    TraceWriter(const TraceWriter&) = delete;
    TraceWriter& operator=(const TraceWriter&) = delete;
    // Writes what is still in the buffer and what the exchanges got back (DescribeSigns), then stops.
    ~TraceWriter();

    // A line of the tool's own between the frames, "(text)", after those already in the buffer: what
    // the frames alone do not say, such as the kind of gateway found. Any thread.
    void Note(const std::string& text);

private:
    void Run();
    void WriteDrained();

    FrameRing& m_ring;
    std::FILE* m_stream;
    Clock::time_point m_origin;
    WallClock m_wall;
    std::uint64_t m_lostReported = 0;
    LineSigns m_signs;  // of the frames written, on the writer's thread
    std::mutex m_notesMutex;
    std::string m_notes;  // lines given to Note, not written yet
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread;
};

}  // namespace traffic
