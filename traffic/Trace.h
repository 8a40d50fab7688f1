#pragma once
// A trace of the line to a stream or a file: the thread that owns the line reports to Observer(),
// which only copies into a buffer; a writer thread prints the decoded lines.
#include <cstdio>
#include <memory>
#include <string>

#include "traffic/FrameRing.h"
#include "traffic/TraceWriter.h"

namespace traffic {

class Trace {
public:
    // Writes to the stream, which is not owned, starting with `header` (see TraceHeader.h; may be empty).
    explicit Trace(std::FILE* stream, const std::string& header = {});
    // Writes to a new file at path. Throws std::system_error when it cannot be created.
    explicit Trace(const std::string& path, const std::string& header = {});

    IFrameObserver& Observer() { return m_ring; }
    // A line of the tool's own after the frames so far (TraceWriter::Note).
    void Note(const std::string& text) { m_writer.Note(text); }

private:
    struct CloseFile {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    // In this order, so that the writer has written the last frames before the file closes.
    std::unique_ptr<std::FILE, CloseFile> m_file;
    FrameRing m_ring;
    TraceWriter m_writer;
};

}  // namespace traffic
