#pragma once
// Runs ardenox-cli (or another of the programs, such as the stand-in) as a child process with its output
// captured.
#include <chrono>
#include <string>
#include <vector>

#include <sys/types.h>

class CliProcess {
public:
    // `launcher` runs before the program when given, e.g. setpriv to run it as another user.
    explicit CliProcess(const std::vector<std::string>& args, const std::vector<std::string>& launcher = {});
    struct Program {
        std::string path;
    };
    CliProcess(const Program& program, std::vector<std::string> args);
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;
    ~CliProcess();  // kills a child still running

    // Reads output until stdout holds text (at or after `from`) or the limit passes; true when it does.
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds limit = std::chrono::seconds(10),
                       std::size_t from = 0);
    void Signal(int signal);
    // Reads everything and waits for the exit; the exit code, or -1 when the limit passed.
    int Wait(std::chrono::milliseconds limit = std::chrono::seconds(20));

    std::string out;
    std::string err;
    long peakMemoryKb = 0;  // the most memory the child held at once (its peak resident set), once ended

private:
    void Start(std::vector<std::string> argv);
    // Reads what is available within the slice; false once both pipes are closed.
    bool ReadSome(std::chrono::milliseconds slice);

    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
};
