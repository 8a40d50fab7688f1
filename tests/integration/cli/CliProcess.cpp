#include "tests/integration/cli/CliProcess.h"

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <utility>

CliProcess::CliProcess(const std::vector<std::string>& args, const std::vector<std::string>& launcher) {
    std::vector<std::string> argv(launcher);
    argv.push_back(ARDENOX_CLI_PATH);
    argv.insert(argv.end(), args.begin(), args.end());
    Start(std::move(argv));
}

CliProcess::CliProcess(const Program& program, std::vector<std::string> args) {
    args.insert(args.begin(), program.path);
    Start(std::move(args));
}

void CliProcess::Start(std::vector<std::string> args) {
    int outPipe[2];
    int errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) {
        throw std::runtime_error("pipe");
    }
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    m_pid = fork();
    if (m_pid == 0) {
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        close(outPipe[0]);
        close(errPipe[0]);
        close(outPipe[1]);
        close(errPipe[1]);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    m_out = outPipe[0];
    m_err = errPipe[0];
}

CliProcess::~CliProcess() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    for (int fd : {m_out, m_err}) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

bool CliProcess::ReadSome(std::chrono::milliseconds slice) {
    pollfd fds[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
    if (m_out < 0 && m_err < 0) {
        return false;
    }
    if (poll(fds, 2, static_cast<int>(slice.count())) <= 0) {
        return true;
    }
    std::string* targets[2] = {&out, &err};
    int* descriptors[2] = {&m_out, &m_err};
    for (int i = 0; i < 2; ++i) {
        if (fds[i].revents == 0) {
            continue;
        }
        char buffer[4096];
        const ssize_t count = read(*descriptors[i], buffer, sizeof buffer);
        if (count > 0) {
            targets[i]->append(buffer, static_cast<std::size_t>(count));
        } else {
            close(*descriptors[i]);
            *descriptors[i] = -1;
        }
    }
    return true;
}

bool CliProcess::WaitForOutput(const std::string& text, std::chrono::milliseconds limit, std::size_t from) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (out.find(text, from) == std::string::npos) {
        if (std::chrono::steady_clock::now() >= deadline || !ReadSome(std::chrono::milliseconds(50))) {
            return out.find(text, from) != std::string::npos;
        }
    }
    return true;
}

void CliProcess::Signal(int signal) {
    kill(m_pid, signal);
}

int CliProcess::Wait(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (ReadSome(std::chrono::milliseconds(50))) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return -1;
        }
    }
    int status = 0;
    rusage usage{};
    wait4(m_pid, &status, 0, &usage);
    peakMemoryKb = usage.ru_maxrss;
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
