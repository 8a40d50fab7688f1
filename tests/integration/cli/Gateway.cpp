#include "tests/integration/cli/Gateway.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

extern char** environ;

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

namespace {

int ConnectTo(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = Loopback(port);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Waits until the program listens; a loaded machine may take a while to start it. Told by the kernel's
// socket table, not by connecting: a connection would make the gateway open the line, and the one it
// serves next would race it for the bytes.
bool AwaitListening(int port) {
    char local[16];
    std::snprintf(local, sizeof(local), ":%04X ", port);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        std::ifstream table("/proc/net/tcp");
        for (std::string line; std::getline(table, line);) {
            // local_address rem_address st: 0A is LISTEN
            if (line.find(local) != std::string::npos && line.find(" 0A ") != std::string::npos) {
                return true;
            }
        }
        ::usleep(50'000);
    }
    return false;
}

// Starts the program with its output dropped, in a group of its own (socat's child that serves a
// connection goes down with it); -1 when it could not start.
pid_t SpawnQuietly(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : -1;
}

void KillGroup(pid_t& pid) {
    if (pid > 0) {
        ::kill(-pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        pid = -1;
    }
}

}  // namespace

int FreeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof(address);
    ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

GatewayProcess::GatewayProcess(Kind kind, const std::string& terminal)
    : m_kind(kind), m_port(FreeLoopbackPort()) {
    std::vector<std::string> args;
    const std::string port = std::to_string(m_port);
    if (kind == Kind::Socat) {
        // fork: the gateway stays for the next connection, as a converter does.
        args = {"socat", "TCP-LISTEN:" + port + ",bind=127.0.0.1,reuseaddr,fork",
                "FILE:" + terminal + ",raw,echo=0,b19200"};
    } else {
        m_config = (std::filesystem::temp_directory_path() / ("ser2net-" + port + ".yaml")).string();
        std::ofstream(m_config) << "connection: &gateway\n  accepter: "
                                << (kind == Kind::Ser2netRfc2217 ? "telnet(rfc2217),tcp," : "tcp,")
                                << "127.0.0.1," << port << "\n  connector: serialdev," << terminal
                                << ",19200e81,local\n";
        args = {"ser2net", "-n", "-d", "-c", m_config, "-P", m_config + ".pid"};
    }
    m_pid = SpawnQuietly(args);
    if (m_pid < 0 || !AwaitListening(m_port)) {
        throw std::runtime_error(args[0] + " did not start listening on port " + port);
    }
}

GatewayProcess::~GatewayProcess() {
    Kill();
    if (!m_config.empty()) {
        ::unlink(m_config.c_str());
        ::unlink((m_config + ".pid").c_str());
    }
}

void GatewayProcess::Kill() {
    KillGroup(m_pid);
}

TranslatingGateway::TranslatingGateway(const std::string& terminal, const std::string& units,
                                       bool forwardWrites)
    : m_bridge(GatewayProcess::Kind::Socat, terminal), m_port(FreeLoopbackPort()) {
    std::vector<std::string> args{ARDENOX_SYSTEM_PYTHON, ARDENOX_PYMODBUS_GATEWAY, std::to_string(m_port),
                                  std::to_string(m_bridge.Port()), units};
    if (forwardWrites) {
        args.emplace_back("--forward-writes");
    }
    m_pid = SpawnQuietly(args);
    if (m_pid < 0 || !AwaitListening(m_port)) {
        throw std::runtime_error("the pymodbus gateway did not start listening on port " +
                                 std::to_string(m_port));
    }
}

TranslatingGateway::~TranslatingGateway() {
    Kill();
}

void TranslatingGateway::Kill() {
    KillGroup(m_pid);
}

std::string GatewayProcess::Url() const {
    return (m_kind == Kind::Ser2netRfc2217 ? "rfc2217://127.0.0.1:" : "tcp://127.0.0.1:") +
           std::to_string(m_port);
}

SplittingRelay::SplittingRelay(int targetPort, std::size_t chunk, int pauseMs) {
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof(address);
    ::bind(m_listen, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    ::listen(m_listen, 1);
    ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this, targetPort, chunk, pauseMs] { Run(targetPort, chunk, pauseMs); });
}

SplittingRelay::~SplittingRelay() {
    m_stop = true;
    m_thread.join();
    ::close(m_listen);
}

void SplittingRelay::Run(int targetPort, std::size_t chunk, int pauseMs) {
    pollfd accept{m_listen, POLLIN, 0};
    while (!m_stop && ::poll(&accept, 1, 100) <= 0) {
    }
    if (m_stop) {
        return;
    }
    const int client = ::accept(m_listen, nullptr, nullptr);
    const int server = ConnectTo(targetPort);
    pollfd both[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
    while (!m_stop && client >= 0 && server >= 0) {
        if (::poll(both, 2, 100) <= 0) {
            continue;
        }
        std::uint8_t buffer[256];
        if (both[0].revents != 0) {
            const ssize_t count = ::recv(client, buffer, sizeof(buffer), 0);
            if (count <= 0) {
                break;
            }
            ::send(server, buffer, static_cast<std::size_t>(count), MSG_NOSIGNAL);
        }
        if (both[1].revents != 0) {
            const ssize_t count = ::recv(server, buffer, sizeof(buffer), 0);
            if (count <= 0) {
                break;
            }
            for (std::size_t sent = 0; sent < static_cast<std::size_t>(count); sent += chunk) {
                if (sent != 0) {
                    ::usleep(static_cast<useconds_t>(pauseMs) * 1000);
                }
                ::send(client, buffer + sent, std::min(chunk, static_cast<std::size_t>(count) - sent),
                       MSG_NOSIGNAL);
            }
        }
    }
    ::close(client);
    ::close(server);
}
