// ardenox-cli --trace-file against a stand-in that corrupts a reply and refuses a read: the trace shows
// the frames the stand-in saw and sent, byte for byte, and what went wrong with them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sim/ControllerSim.h"
#include "tests/integration/cli/CliProcess.h"
#include "traffic/Decoder.h"
#include "traffic/FrameRing.h"

namespace {

// Meaning and bytes of a line without its time of day (see FormatLine): what both sides must agree on.
std::string WithoutTimeAndOutcome(const std::string& line) {
    constexpr std::size_t kMeaningAt = 12;
    constexpr std::size_t kMeaningWidth = 44;
    constexpr std::size_t kBytesAt = kMeaningAt + kMeaningWidth + 1 + 20 + 1;
    return line.substr(kMeaningAt, kMeaningWidth) + "|" +
           (line.size() > kBytesAt ? line.substr(kBytesAt) : "");
}

TEST(CliTrace, ShowsEveryFrameTheStandInSawAndMarksTheFaults) {
    traffic::FrameRing standInSide;
    sim::Config config;
    config.lineTap = &standInSide;
    sim::ControllerSim controller(config);
    // The first reply, whichever register the first poll reads: the read ends at the refusal that stays
    // (its retry a poll period later is refused again).
    controller.AddFault({.kind = sim::FaultKind::BadCrc, .times = 1});
    controller.AddFault(
        {.kind = sim::FaultKind::Exception, .exceptionCode = 2, .reg = sim::kRegModel, .times = 2});
    const std::string traceFile = testing::TempDir() + "cli-trace-" + std::to_string(::getpid()) + ".txt";

    CliProcess cli({"--port", controller.DevicePath(), "--trace-file", traceFile, "read"});
    EXPECT_EQ(cli.Wait(), 7) << cli.err;  // the refused read ends the command

    std::ifstream file(traceFile);
    std::vector<std::string> toolLines;
    std::string trace;
    std::string lastLine;
    std::string summary;  // the trace ends with what the exchanges got back
    for (std::string line; std::getline(file, line);) {
        trace += line + "\n";
        if (line.starts_with("(exchanges: ")) {
            summary = line;
            continue;
        }
        if (line.starts_with("# ")) {
            continue;
        }
        constexpr std::size_t kTimeOfDay = 12;  // "09:41:07.123"
        toolLines.push_back(WithoutTimeAndOutcome(line.substr(kTimeOfDay)));
        lastLine = line;
    }
    std::vector<std::string> standInLines;
    for (const traffic::Frame& frame : standInSide.Drain()) {
        standInLines.push_back(WithoutTimeAndOutcome(traffic::FormatLine(frame, frame.time)));
    }
    // The next poll may be under way when the refusal ends the command: a reply still coming when the
    // tool closed the port is traced as far as it came, and is left out of the comparison.
    if (lastLine.find(" short: ") != std::string::npos && toolLines.size() == standInLines.size()) {
        toolLines.pop_back();
        standInLines.pop_back();
    }
    EXPECT_EQ(toolLines, standInLines) << trace;
    EXPECT_NE(trace.find(" bad CRC "), std::string::npos) << trace;
    EXPECT_TRUE(trace.starts_with("# traffic from ") &&
                trace.find("\n# port " + controller.DevicePath() +
                           ", 19200 baud, Even, 1 stop bit, address 16\n") != std::string::npos)
        << trace;
    EXPECT_TRUE(trace.ends_with(summary + "\n") &&
                summary.find(" answered, 2 refused, ") != std::string::npos && summary.ends_with(" damaged)"))
        << trace;
    EXPECT_NE(trace.find("16 <- 84 exception 2: illegal data address   exception"), std::string::npos)
        << trace;
    std::remove(traceFile.c_str());
}

}  // namespace
