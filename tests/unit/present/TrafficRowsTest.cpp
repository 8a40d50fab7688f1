// The traffic list's rows: bounded batches, counts, pause and the texts of each column.
#include "present/TrafficRows.h"

#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <string>
#include <vector>

namespace {

using traffic::Direction;
using traffic::Outcome;

const traffic::Clock::time_point kStart{std::chrono::seconds(100)};

traffic::Frame Made(Outcome outcome, std::uint8_t tag, std::size_t length = 5,
                    std::chrono::milliseconds after = std::chrono::milliseconds(0)) {
    const std::vector<std::uint8_t> bytes(length, tag);
    const Direction direction = outcome == Outcome::Request ? Direction::ToSlave : Direction::FromSlave;
    return traffic::MakeFrame(direction, outcome, bytes, 7, kStart + after);
}

// A view's way of taking a batch.
void Apply(TrafficRows& rows, std::vector<traffic::Frame> frames) {
    TrafficRows::Batch batch = rows.Take(std::move(frames));
    rows.Drop(batch.drop);
    rows.Append(std::move(batch.append));
}

TEST(TrafficRows, KeepsOnlyTheNewestRowsAndSaysWhatEachBatchDrops) {
    TrafficRows rows(5);
    const struct {
        int frames;
        std::size_t drop, append;
        const char* oldest;
    } steps[] = {{3, 0, 3, "00 00 00 00 00"}, {4, 2, 4, "02 02 02 02 02"}, {12, 5, 5, "0E 0E 0E 0E 0E"}};
    std::uint8_t tag = 0;
    for (const auto& step : steps) {
        std::vector<traffic::Frame> frames;
        for (int k = 0; k < step.frames; ++k) {
            frames.push_back(Made(Outcome::Request, tag++));
        }
        TrafficRows::Batch batch = rows.Take(std::move(frames));
        EXPECT_EQ(batch.drop, step.drop);
        EXPECT_EQ(batch.append.size(), step.append);
        rows.Drop(batch.drop);
        rows.Append(std::move(batch.append));
        EXPECT_LE(rows.Size(), 5u);
        EXPECT_EQ(rows.Cell(0, TrafficRows::ColumnBytes), step.oldest);
    }
}

TEST(TrafficRows, CountsWhatTheLineDidEvenWhilePaused) {
    TrafficRows rows;
    std::vector<traffic::Frame> frames;
    for (const Outcome outcome : {Outcome::Request, Outcome::Ok, Outcome::Timeout, Outcome::Short,
                                  Outcome::BadCrc, Outcome::Exception, Outcome::Late, Outcome::AdapterEcho}) {
        frames.push_back(
            Made(outcome, outcome == Outcome::Request ? 1 : 2, outcome == Outcome::Timeout ? 0 : 5));
    }
    Apply(rows, std::move(frames));
    EXPECT_EQ(rows.CountsText(0), "Requests 1   Replies 4   Time-outs 2   CRC errors 1   Exceptions 1");
    // The export ends as the trace does: what the exchanges got back.
    EXPECT_TRUE(rows.Text().ends_with("\n(exchanges: 1 answered, 1 refused, 1 silent, 1 late, 2 damaged)\n"))
        << rows.Text();
    EXPECT_FALSE(rows.IsFailure(1));
    EXPECT_TRUE(rows.IsFailure(4));
    EXPECT_FALSE(rows.IsFailure(7)) << "the adapter's echo is no failure";

    rows.SetPaused(true);
    EXPECT_TRUE(rows.Take({Made(Outcome::Request, 2)}).append.empty());
    EXPECT_EQ(rows.Size(), 8u);
    EXPECT_EQ(rows.CountsText(3),
              "Requests 2   Replies 4   Time-outs 2   CRC errors 1   Exceptions 1   Lost 3");
    rows.Clear();
    EXPECT_EQ(rows.Size(), 0u);
    EXPECT_EQ(rows.GetCounts().requests, 0u);
    EXPECT_EQ(rows.Text().find("\n#", 0), rows.Text().find('\n')) << "only the header is left";
}

TEST(TrafficRows, TimesCountFromTheFirstFrame) {
    TrafficRows rows;
    Apply(rows, {Made(Outcome::Request, 1), Made(Outcome::Ok, 2, 5, std::chrono::milliseconds(1234))});
    Apply(rows, {Made(Outcome::Timeout, 3, 0, std::chrono::milliseconds(61005))});
    const struct {
        std::size_t row;
        const char* time;
        const char* direction;
    } cells[] = {{0, "0.000", "->"}, {1, "1.234", "<-"}, {2, "61.005", "<-"}};
    for (const auto& cell : cells) {
        EXPECT_EQ(rows.Cell(cell.row, TrafficRows::ColumnTime), cell.time);
        EXPECT_EQ(rows.Cell(cell.row, TrafficRows::ColumnDirection), cell.direction);
    }
    // The export gives the time of day too, and starts with when and where it was taken.
    rows.SetSetting({"/dev/ttyUSB0", "19200 baud, Even, 1 stop bit", 16});
    const std::string text = rows.Text();
    const std::regex layout(
        "# traffic from \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d [+-]\\d{4}(?: \\(.+\\))?\\n"
        "# port /dev/ttyUSB0, 19200 baud, Even, 1 stop bit, address 16\\n# .*\\n"
        "(\\d\\d):(\\d\\d):(\\d\\d)\\.(\\d{3})     0\\.000  .*\\n"
        "(\\d\\d):(\\d\\d):(\\d\\d)\\.(\\d{3})     1\\.234  [^]*");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(text, match, layout)) << text;
    const auto millisAt = [&match](int first) {
        return ((std::stoi(match[first]) * 60 + std::stoi(match[first + 1])) * 60 +
                std::stoi(match[first + 2])) *
                   1000 +
               std::stoi(match[first + 3]);
    };
    EXPECT_EQ((millisAt(5) - millisAt(1) + 86400000) % 86400000, 1234);
    EXPECT_EQ(TrafficRows::Title(TrafficRows::ColumnTime), "Time (s)");
    EXPECT_EQ(TrafficRows::Title(TrafficRows::ColumnCount), "");
}

}  // namespace
