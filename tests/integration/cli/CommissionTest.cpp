// ardenox-cli commission against the stand-in: the test plays the bench operator, restarting the
// controller when asked and putting a factory-fresh unit in its place when the next one is asked for.
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sim/ControllerSim.h"
#include "tests/integration/cli/CliProcess.h"

namespace {

constexpr auto kStepLimit = std::chrono::seconds(30);

std::vector<std::string> FileLines(const std::string& path) {
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string TempLog(const char* name) {
    const std::string path =
        testing::TempDir() + "commission-" + name + "-" + std::to_string(::getpid()) + ".csv";
    std::remove(path.c_str());
    return path;
}

sim::Config Bench(std::optional<std::uint8_t> neighbour = std::nullopt) {
    sim::Config config;
    config.singleRegisterReads = true;
    config.saveDuration = std::chrono::milliseconds(100);
    config.neighbour = neighbour;
    return config;
}

// Waits for `text` in the output after `from`, then moves `from` past it.
bool Prompted(CliProcess& cli, const std::string& text, std::size_t& from) {
    if (!cli.WaitForOutput(text, kStepLimit, from)) {
        return false;
    }
    from = cli.out.find(text, from) + text.size();
    return true;
}

TEST(CliCommission, ThreeUnitsOneMeetingATakenAddressAreLoggedAfterEarlierRows) {
    sim::ControllerSim bench(Bench(21));  // a controller already on the line at address 21
    const std::string log = TempLog("three");
    std::ofstream(log) << "time,unit,model,firmware,before,after,verified,note\nearlier run,1,,,,,yes,\n";

    CliProcess cli({"--port", bench.DevicePath(), "commission", "--first-address", "20", "--count", "3",
                    "--new-baud", "38400", "--new-mode", "none2", "--log", log});
    std::size_t from = 0;
    for (std::uint16_t unit = 1; unit <= 3; ++unit) {
        ASSERT_TRUE(Prompted(cli, "restart", from)) << "unit " << unit << "\n" << cli.out << cli.err;
        bench.Restart();
        if (unit < 3) {
            ASSERT_TRUE(Prompted(cli, "next", from)) << "unit " << unit << "\n" << cli.out << cli.err;
            bench.SwapForFreshUnit(static_cast<std::uint16_t>(205 + unit));
        }
    }
    ASSERT_EQ(cli.Wait(kStepLimit), 0) << cli.out << cli.err;
    EXPECT_TRUE(
        cli.out.ends_with("\ncommissioning: 3 units done, 1 address skipped (taken); log: " + log + "\n"))
        << cli.out;

    const std::vector<std::string> lines = FileLines(log);
    ASSERT_EQ(lines.size(), 5u) << "the earlier rows stay, no second header";
    EXPECT_EQ(lines[1], "earlier run,1,,,,,yes,");
    struct Row {
        const char* unitAndModel;
        const char* after;
        const char* end;
    };
    const Row rows[] = {
        {",1,3102,2.5,", "38400 baud, None, 2 stop bits, address 20", ",yes,"},
        {",2,3102,2.6,", "38400 baud, None, 2 stop bits, address 22", ",yes,address 21 taken: skipped"},
        {",3,3102,2.7,", "38400 baud, None, 2 stop bits, address 23", ",yes,"},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const std::string& line = lines[2 + i];
        EXPECT_NE(line.find(rows[i].unitAndModel), std::string::npos) << line;
        EXPECT_NE(
            line.find("\"19200 baud, Even, 1 stop bit, address 16\",\"" + std::string(rows[i].after) + "\""),
            std::string::npos)
            << line;
        EXPECT_TRUE(line.ends_with(rows[i].end)) << line;
    }
    std::remove(log.c_str());
}

// A controller whose status reads 2 once its save is over is done like one that reads 0.
TEST(CliCommission, StatusTwoAfterTheSaveCountsAsSaved) {
    sim::Config config = Bench();
    config.statusAfterSave = sim::kStatusOther;
    sim::ControllerSim bench(config);
    const std::string log = TempLog("status-two");
    CliProcess cli({"--port", bench.DevicePath(), "commission", "--first-address", "40", "--log", log});
    std::size_t from = 0;
    ASSERT_TRUE(Prompted(cli, "restart", from)) << cli.out << cli.err;
    bench.Restart();
    ASSERT_EQ(cli.Wait(kStepLimit), 0) << cli.out << cli.err;
    const std::vector<std::string> lines = FileLines(log);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[1].ends_with("\"19200 baud, Even, 1 stop bit, address 40\",yes,")) << lines[1];
    std::remove(log.c_str());
}

TEST(CliCommission, CtrlCEndsTheRunAndReportsTheUnitInHand) {
    struct Case {
        const char* name;
        sim::CommSettings unit;  // where the unit on the bench answers
        const char* signalAfter;
        std::size_t rows;  // rows logged
        const char* lastRowEnd;
    };
    const Case cases[] = {
        {"before a unit is there", {16, 96, 0}, "waiting for a controller", 0, ""},
        {"while the restart is awaited", {16, 192, 0}, "restart", 1, ",no,stopped before it was done"},
        {"between units", {16, 192, 0}, "next", 1, ",yes,"},
    };
    for (const Case& c : cases) {
        sim::Config config = Bench();
        config.settings = c.unit;
        sim::ControllerSim bench(config);
        const std::string log = TempLog("interrupted");
        CliProcess cli({"--port", bench.DevicePath(), "commission", "--first-address", "30", "--count", "2",
                        "--log", log});
        std::size_t from = 0;
        if (std::string(c.signalAfter) == "next") {
            ASSERT_TRUE(Prompted(cli, "restart", from)) << c.name << "\n" << cli.out << cli.err;
            bench.Restart();
        }
        ASSERT_TRUE(Prompted(cli, c.signalAfter, from)) << c.name << "\n" << cli.out << cli.err;
        cli.Signal(SIGINT);
        EXPECT_EQ(cli.Wait(kStepLimit), 6) << c.name << "\n" << cli.out << cli.err;
        EXPECT_NE(cli.err.find("commissioning stopped at unit"), std::string::npos) << c.name << "\n"
                                                                                    << cli.err;

        const std::vector<std::string> lines = FileLines(log);
        ASSERT_EQ(lines.size(), c.rows + 1) << c.name << ": the header is written before the first unit";
        if (c.rows != 0) {
            EXPECT_TRUE(lines.back().ends_with(c.lastRowEnd)) << c.name << ": " << lines.back();
        }
        std::remove(log.c_str());
    }
}

// A log that takes no bytes, or addresses past 247, end the command before the stand-in hears anything.
TEST(CliCommission, UnusableLogOrAddressesEndTheRunBeforeAnyRequest) {
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* message;
    };
    const Case cases[] = {
        {{"--log", "/dev/full"}, 3, "/dev/full: the log cannot be written (No space left on device)"},
        {{"--log", testing::TempDir()},
         3,
         "the log cannot be written (Is a directory); no controller was touched"},
        {{"--count", "9"}, 2, "--first-address 240 with --count 9 needs addresses up to 248"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        sim::ControllerSim bench(Bench());
        std::vector<std::string> args{"--port", bench.DevicePath(), "commission", "--first-address", "240"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        CliProcess cli(args);
        EXPECT_EQ(cli.Wait(kStepLimit), c.exitCode) << cli.err;
        EXPECT_NE(cli.err.find(c.message), std::string::npos) << cli.err;
        EXPECT_TRUE(bench.Requests().empty());
    }
}

// A row the log no longer takes (here: past the file size limit) goes to standard output with the
// reason, and the run ends before the next unit is touched.
TEST(CliCommission, RowTheLogRefusesLaterIsPrintedAndTheRunEnds) {
    sim::ControllerSim bench(Bench());
    const std::string log = TempLog("full");
    const std::string earlier = "earlier run,1,,,,,yes," + std::string(2000, ' ') + "\n";
    std::ofstream(log) << "time,unit,model,firmware,before,after,verified,note"
                       << "\n"
                       << earlier;
    // 1 KiB limit on files, the file already larger: its next write fails (EFBIG, its signal ignored).
    CliProcess cli(
        {"--port", bench.DevicePath(), "commission", "--first-address", "20", "--count", "2", "--log", log},
        {"bash", "-c", "trap '' XFSZ; ulimit -f 1; exec \"$0\" \"$@\""});
    std::size_t from = 0;
    ASSERT_TRUE(Prompted(cli, "restart", from)) << cli.out << cli.err;
    bench.Restart();
    EXPECT_EQ(cli.Wait(kStepLimit), 3) << cli.out << cli.err;
    EXPECT_NE(
        cli.out.find(",1,3102,2.5,\"19200 baud, Even, 1 stop bit, address 16\",\"19200 baud, Even, 1 stop "
                     "bit, address 20\",yes,\n"),
        std::string::npos)
        << cli.out;
    EXPECT_NE(cli.err.find(
                  log + ": the log cannot be written (File too large); unit 1's row is on standard output"),
              std::string::npos)
        << cli.err;
    EXPECT_EQ(cli.out.find("Connect the next controller"), std::string::npos) << cli.out;
    EXPECT_EQ(FileLines(log).size(), 2u);
    std::remove(log.c_str());
}

}  // namespace
