// ardenox-sim as a process: its command line, its first line of output, and mbpoll talking to it.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "sim/SimOptions.h"
#include "tests/integration/sim/Master.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;

// A program started with its standard output (and error) read through a pipe.
class Process {
public:
    explicit Process(std::vector<std::string> args) {
        int pipeFds[2];
        if (::pipe(pipeFds) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        if (posix_spawnp(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            m_pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeFds[1]);
        m_output = ::fdopen(pipeFds[0], "r");
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            Wait();
        }
        if (m_output != nullptr) {
            std::fclose(m_output);
        }
    }

    std::string Line() {
        char line[1024] = {};
        if (m_output == nullptr || std::fgets(line, sizeof line, m_output) == nullptr) {
            return {};
        }
        std::string text(line);
        if (!text.empty() && text.back() == '\n') {
            text.pop_back();
        }
        return text;
    }
    // Everything it writes until it closes its output.
    std::string Rest() {
        std::string text;
        char chunk[512];
        while (m_output != nullptr && std::fgets(chunk, sizeof chunk, m_output) != nullptr) {
            text += chunk;
        }
        return text;
    }
    void Signal(int signal) { ::kill(m_pid, signal); }
    // The exit code, or -1 when it did not exit normally.
    int Wait() {
        int status = 0;
        const pid_t pid = m_pid;
        m_pid = -1;
        if (pid <= 0 || ::waitpid(pid, &status, 0) != pid) {
            return -1;
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t m_pid = -1;
    FILE* m_output = nullptr;
};

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "";
    for (std::size_t start = 0, end; start <= dirs.size(); start = end + 1) {
        end = dirs.find(':', start);
        end = end == std::string::npos ? dirs.size() : end;
        if (::access((dirs.substr(start, end - start) + "/" + program).c_str(), X_OK) == 0) {
            return true;
        }
    }
    return false;
}

struct BadCommandLine {
    std::vector<std::string> args;
    const char* error;
};

TEST(Program, ParsesOptionsAndNamesTheOneThatIsWrong) {
    const auto parsed = sim::ParseOptions({"--address",
                                           "7",
                                           "--baud",
                                           "57600",
                                           "--mode",
                                           "2",
                                           "--save-ms",
                                           "50",
                                           "--gap-ms",
                                           "20",
                                           "--gap-after",
                                           "4",
                                           "--sticky",
                                           "34",
                                           "--stuck-saving",
                                           "--single-register-reads",
                                           "--holding",
                                           "35=9",
                                           "--status-after-save",
                                           "2"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_EQ(parsed.options->config.settings, (sim::CommSettings{7, 576, 2}));
    EXPECT_EQ(parsed.options->config.saveDuration, 50ms);
    EXPECT_EQ(parsed.options->config.statusAfterSave, std::optional<std::uint16_t>(2));
    ASSERT_EQ(parsed.options->faults.size(), 1u);
    EXPECT_EQ(parsed.options->faults[0].kind, sim::FaultKind::ByteGap);
    EXPECT_EQ(parsed.options->faults[0].gapAfter, 4u);
    EXPECT_EQ(parsed.options->stickyRegisters, std::vector<std::uint16_t>{34});
    EXPECT_TRUE(parsed.options->stuckSaving);
    EXPECT_TRUE(parsed.options->config.singleRegisterReads);
    EXPECT_EQ(parsed.options->holdingValues, (std::vector<std::pair<std::uint16_t, std::uint16_t>>{{35, 9}}));

    // The mode in ardenox-cli's words, in the register's order.
    const std::pair<const char*, std::uint16_t> modes[] = {
        {"even1", 0}, {"odd1", 1}, {"none2", 2}, {"none1", 3}, {"3", 3}};
    for (const auto& [word, mode] : modes) {
        const auto withMode = sim::ParseOptions({"--mode", word});
        ASSERT_TRUE(withMode.options) << word << ": " << withMode.error;
        EXPECT_EQ(withMode.options->config.settings.mode, mode) << word;
    }

    const BadCommandLine bad[] = {
        {{"--frobnicate"}, "unknown option '--frobnicate'"},
        {{"--address", "0"}, "--address: '0' is not a number from 1 to 247"},
        {{"--address", "12x"}, "--address: '12x' is not a number from 1 to 247"},
        {{"--baud", "14400"}, "--baud: the controller runs at 9600, 19200, 38400 or 57600"},
        {{"--late-ms"}, "--late-ms needs a value"},
        {{"--mode", "none3"}, "--mode: 'none3' is none of even1, odd1, none2, none1 (or 0 to 3)"},
        {{"--mode", "4"}, "--mode: '4' is none of even1, odd1, none2, none1 (or 0 to 3)"},
        {{"--mode"}, "--mode needs a value"},
        {{"--gap-after", "2"}, "--gap-after must follow --gap-ms"},
        {{"--holding", "35"}, "--holding: '35' is not REGISTER=VALUE (e.g. 35=9)"},
        {{"--holding", "35=70000"}, "--holding: '35=70000' is not REGISTER=VALUE (e.g. 35=9)"},
        {{"--sticky", "2"},
         "--sticky: register 2 is no setting; sticky applies to holding registers 33, 34 and 35"},
        {{"--sticky", "32"},
         "--sticky: register 32 is no setting; sticky applies to holding registers 33, 34 and 35"},
    };
    for (const BadCommandLine& c : bad) {
        const auto result = sim::ParseOptions(c.args);
        EXPECT_FALSE(result.options) << c.args[0];
        EXPECT_EQ(result.error, c.error);
    }
}

TEST(Program, PrintsThePathAnswersRestartsOnHangUpSignalAndEndsOnTerm) {
    Process program({ARDENOX_SIM_PROGRAM, "--address", "30", "--save-ms", "0", "--model", "77"});
    const std::string path = program.Line();
    ASSERT_FALSE(path.empty());
    {
        simtest::Master master(path, 30);
        EXPECT_EQ(master.ReadInput(sim::kRegModel), 77);
        ASSERT_TRUE(master.Write(sim::kRegAddress, 31));
        ASSERT_TRUE(master.Write(sim::kRegStatus, sim::kSaveCommand));
    }
    program.Signal(SIGHUP);
    simtest::Master moved(path, 31);
    bool answered = false;
    for (int attempt = 0; attempt < 50 && !answered; ++attempt) {
        answered = moved.ReadHolding(sim::kRegAddress) == 31;
    }
    EXPECT_TRUE(answered) << "no answer on the saved address after SIGHUP";
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(), 0);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(Program, PowerSignalPutsAFreshUnitInPlaceBesideItsNeighbour) {
    Process program({ARDENOX_SIM_PROGRAM, "--address", "30", "--baud", "38400", "--firmware", "300",
                     "--neighbour", "40"});
    const std::string path = program.Line();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(simtest::Master(path, 40).ReadInput(sim::kRegFirmware), 300) << "the neighbour";
    program.Signal(SIGPWR);
    EXPECT_EQ(program.Line(), "unit: firmware 301");
    simtest::Master fresh(path, 16);  // at 19200 baud, the factory speed
    EXPECT_EQ(fresh.ReadInput(sim::kRegFirmware), 301);
    EXPECT_EQ(fresh.ReadHolding(sim::kRegBaud), 192);
    EXPECT_EQ(simtest::Master(path, 40).ReadInput(sim::kRegModel), 3102) << "the neighbour stays";
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(), 0);
}

TEST(Program, RejectsABadOptionWithExitCodeTwo) {
    Process program({ARDENOX_SIM_PROGRAM, "--mode", "9"});
    EXPECT_EQ(program.Line(), "ardenox-sim: --mode: '9' is none of even1, odd1, none2, none1 (or 0 to 3)");
    EXPECT_EQ(program.Wait(), 2);
}

TEST(Program, MbpollReadsAndWritesIt) {
    if (!OnPath("mbpoll")) {
        GTEST_SKIP() << "mbpoll is not installed";
    }
    Process simulator({ARDENOX_SIM_PROGRAM});
    const std::string path = simulator.Line();
    ASSERT_FALSE(path.empty());
    // mbpoll numbers registers from 1: reference 35 is register 34.
    Process write({"mbpoll", "-m", "rtu", "-a", "16", "-b", "19200", "-P", "none", "-t", "4", "-r", "35",
                   "-1", path, "576"});
    EXPECT_EQ(write.Wait(), 0);
    Process read({"mbpoll", "-m", "rtu", "-a", "16", "-b", "19200", "-P", "none", "-t", "4", "-r", "34", "-c",
                  "3", "-1", path});
    const std::string output = read.Rest();
    EXPECT_EQ(read.Wait(), 0);
    EXPECT_NE(output.find("[34]: \t16"), std::string::npos) << output;
    EXPECT_NE(output.find("[35]: \t576"), std::string::npos) << output;
    EXPECT_NE(output.find("[36]: \t0"), std::string::npos) << output;
}

}  // namespace
