#include "bench/PymodbusPeer.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

extern char** environ;

PymodbusPeer::PymodbusPeer(const std::string& url, int slave, int reg) {
    int toPeer[2];
    int fromPeer[2];
    if (::pipe2(toPeer, O_CLOEXEC) != 0 || ::pipe2(fromPeer, O_CLOEXEC) != 0) {
        m_note = "no pipe for the Python peer";
        return;
    }
    std::vector<std::string> args = {ARDENOX_SYSTEM_PYTHON, ARDENOX_PYMODBUS_PEER, url, std::to_string(slave),
                                     std::to_string(reg)};
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toPeer[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromPeer[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const int spawned = ::posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(toPeer[0]);
    ::close(fromPeer[1]);
    m_toPeer = toPeer[1];
    m_fromPeer = ::fdopen(fromPeer[0], "r");
    if (spawned != 0) {
        m_pid = -1;
        m_note = std::string(ARDENOX_SYSTEM_PYTHON) + " is missing";
        return;
    }
    const std::string first = NextLine();
    m_ready = first == "ready";
    if (!m_ready) {
        m_note = first.empty() ? "the Python peer ended at once" : first;
    }
}

PymodbusPeer::~PymodbusPeer() {
    ::close(m_toPeer);  // the peer's input ends, and so does the peer
    if (m_fromPeer != nullptr) {
        std::fclose(m_fromPeer);
    }
    if (m_pid > 0) {
        ::waitpid(m_pid, nullptr, 0);
    }
}

std::string PymodbusPeer::NextLine() {
    char line[256];
    if (std::fgets(line, sizeof(line), m_fromPeer) == nullptr) {
        return {};
    }
    std::string text(line);
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text;
}

std::optional<PymodbusPeer::Read> PymodbusPeer::ReadOnce() {
    if (!m_ready || ::write(m_toPeer, "\n", 1) != 1) {
        return std::nullopt;
    }
    const std::string answer = NextLine();
    char* rest = nullptr;
    const double micros = std::strtod(answer.c_str(), &rest);
    if (rest == answer.c_str() || *rest != ' ') {
        return std::nullopt;  // "fail ...", or the peer is gone
    }
    return Read{micros, static_cast<std::uint16_t>(std::strtoul(rest + 1, nullptr, 10))};
}
