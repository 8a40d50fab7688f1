#include "present/TrafficRows.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <iterator>

#include "traffic/Decoder.h"

TrafficRows::TrafficRows(std::size_t maxRows) : m_maxRows(std::max<std::size_t>(maxRows, 1)) {}

TrafficRows::Batch TrafficRows::Take(std::vector<traffic::Frame> frames) {
    if (frames.empty()) {
        return {};
    }
    if (!m_origin) {
        m_origin = frames.front().time;
    }
    for (const traffic::Frame& frame : frames) {
        Count(frame);
    }
    if (m_paused) {
        return {};
    }
    const std::size_t keep = std::min(frames.size(), m_maxRows);
    frames.erase(frames.begin(), frames.end() - static_cast<std::ptrdiff_t>(keep));
    const std::size_t excess = m_rows.size() + keep > m_maxRows ? m_rows.size() + keep - m_maxRows : 0;
    return {excess, std::move(frames)};
}

void TrafficRows::Drop(std::size_t count) {
    m_rows.erase(m_rows.begin(),
                 m_rows.begin() + static_cast<std::ptrdiff_t>(std::min(count, m_rows.size())));
}

void TrafficRows::Append(std::vector<traffic::Frame> frames) {
    std::move(frames.begin(), frames.end(), std::back_inserter(m_rows));
}

void TrafficRows::Clear() {
    m_rows.clear();
    m_counts = {};
    m_signs.Reset();
}

std::string TrafficRows::Cell(std::size_t row, int column) const {
    const traffic::Frame& frame = m_rows.at(row);
    switch (column) {
        case ColumnTime:
            return fmt::format("{:.3f}", std::chrono::duration<double>(frame.time - Origin()).count());
        case ColumnDirection:
            return frame.direction == traffic::Direction::ToSlave ? "->" : "<-";
        case ColumnBytes:
            return traffic::HexBytes(frame);
        case ColumnMeaning:
            return traffic::Meaning(frame);
        case ColumnOutcome:
            return traffic::OutcomeText(frame);
        default:
            return {};
    }
}

bool TrafficRows::IsFailure(std::size_t row) const {
    return traffic::IsFailure(m_rows.at(row).outcome);
}

std::string TrafficRows::Title(int column) {
    static const char* const kTitles[ColumnCount] = {"Time (s)", "Dir", "Bytes", "Meaning", "Outcome"};
    return column >= 0 && column < ColumnCount ? kTitles[column] : "";
}

std::string TrafficRows::CountsText(std::uint64_t lost) const {
    std::string text = fmt::format("Requests {}   Replies {}   Time-outs {}   CRC errors {}   Exceptions {}",
                                   m_counts.requests, m_counts.replies, m_counts.timeouts, m_counts.crcErrors,
                                   m_counts.exceptions);
    if (lost != 0) {
        text += fmt::format("   Lost {}", lost);
    }
    return text;
}

std::string TrafficRows::Text() const {
    const traffic::WallClock wall;
    std::string text = traffic::TraceHeader(
        m_setting, m_rows.empty() ? std::chrono::system_clock::now() : wall.At(m_rows.front().time));
    for (const traffic::Frame& frame : m_rows) {
        text += traffic::FormatTimedLine(frame, Origin(), wall) + '\n';
    }
    if (const std::string signs = traffic::DescribeSigns(m_signs.Counts()); !signs.empty()) {
        text += "(" + signs + ")\n";
    }
    return text;
}

void TrafficRows::Count(const traffic::Frame& frame) {
    using traffic::Outcome;
    m_signs.OnFrame(frame);
    switch (frame.outcome) {
        case Outcome::Request:
            ++m_counts.requests;
            return;
        case Outcome::Timeout:
        case Outcome::Short:
            ++m_counts.timeouts;
            break;
        case Outcome::BadCrc:
            ++m_counts.crcErrors;
            break;
        case Outcome::Exception:
            ++m_counts.exceptions;
            break;
        default:
            break;
    }
    if (frame.direction == traffic::Direction::FromSlave && frame.length != 0 &&
        frame.outcome != Outcome::Late && frame.outcome != Outcome::AdapterEcho) {
        ++m_counts.replies;
    }
}

traffic::Clock::time_point TrafficRows::Origin() const {
    return m_origin.value_or(traffic::Clock::time_point{});
}
