#pragma once
// Another program on a test's line: `sleep` with the line as its standard input, holding it open without
// locking it, as a terminal program left running does. Killed when the holder goes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

class LineHolder {
public:
    explicit LineHolder(const std::string& path) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, path.c_str(), O_RDONLY | O_NOCTTY, 0);
        posix_spawn_file_actions_addclosefrom_np(&actions, 3);  // none of the test's own lines
        char* argv[] = {const_cast<char*>("sleep"), const_cast<char*>("60"), nullptr};
        EXPECT_EQ(posix_spawnp(&m_pid, "sleep", &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        // The line is opened before `sleep` starts: once the process is `sleep`, it holds the line.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (ProgramName() != "sleep" && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ~LineHolder() {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    pid_t Pid() const { return m_pid; }

private:
    std::string ProgramName() const {
        std::ifstream comm("/proc/" + std::to_string(m_pid) + "/comm");
        std::string name;
        std::getline(comm, name);
        return name;
    }

    pid_t m_pid = -1;
};
