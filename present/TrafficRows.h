#pragma once
// The rows of the traffic list: the last frames the Modbus master saw, bounded to a number of rows
// (the oldest going first), their columns' texts, and the counts of what the line did. A view takes a
// drained batch in two steps, so that it can announce the rows removed and those added around each.
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "traffic/Frame.h"
#include "traffic/LineSigns.h"
#include "traffic/TraceHeader.h"

class TrafficRows {
public:
    enum Column { ColumnTime, ColumnDirection, ColumnBytes, ColumnMeaning, ColumnOutcome, ColumnCount };
    static constexpr std::size_t kDefaultMaxRows = 10000;
    // How often a view takes what the frame buffer holds: ten times a second keeps up with the fastest
    // poll rate in batches, and the buffer holds far more than a period brings.
    static constexpr int kDrainPeriodMs = 100;

    struct Counts {
        std::uint64_t requests = 0;
        std::uint64_t replies = 0;   // anything that came back as a reply, valid or not
        std::uint64_t timeouts = 0;  // no reply, or too short a one
        std::uint64_t crcErrors = 0;
        std::uint64_t exceptions = 0;
    };

    // What a batch adds: the oldest rows to drop first, then the frames to append.
    struct Batch {
        std::size_t drop = 0;
        std::vector<traffic::Frame> append;
    };

    explicit TrafficRows(std::size_t maxRows = kDefaultMaxRows);

    // Counts `frames` and returns what they change in the rows: nothing while paused, and only the
    // newest of a batch larger than the whole list.
    Batch Take(std::vector<traffic::Frame> frames);
    // Applies a batch from Take: first Drop, then Append.
    void Drop(std::size_t count);
    void Append(std::vector<traffic::Frame> frames);

    // While paused, frames are counted but not added as rows.
    void SetPaused(bool paused) { m_paused = paused; }
    bool IsPaused() const { return m_paused; }
    // Removes the rows and zeroes the counts.
    void Clear();

    std::size_t Size() const { return m_rows.size(); }
    std::string Cell(std::size_t row, int column) const;
    // A failed exchange: the view marks its row.
    bool IsFailure(std::size_t row) const;
    static std::string Title(int column);

    const Counts& GetCounts() const { return m_counts; }
    // The line under the list; `lost` frames the buffer could not take are named when there are any.
    std::string CountsText(std::uint64_t lost) const;
    // The connection the rows come from, for the top of Text.
    void SetSetting(traffic::TraceSetting setting) { m_setting = std::move(setting); }
    // The rows as the command line's trace prints them: the same header (TraceHeader), one row a line,
    // and then, as the trace ends, what the exchanges counted since the last Clear got back.
    std::string Text() const;

private:
    void Count(const traffic::Frame& frame);
    traffic::Clock::time_point Origin() const;

    std::size_t m_maxRows;
    std::deque<traffic::Frame> m_rows;
    std::optional<traffic::Clock::time_point> m_origin;  // the first frame's time: times count from it
    Counts m_counts;
    traffic::LineSigns m_signs;
    traffic::TraceSetting m_setting;
    bool m_paused = false;
};
