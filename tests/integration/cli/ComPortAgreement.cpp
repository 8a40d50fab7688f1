#include "tests/integration/cli/ComPortAgreement.h"

#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <vector>

#include "port/TelnetCodec.h"

bool AgreeToComPort(int fd, const std::atomic<bool>& stop) {
    using namespace port::telnet;
    const std::vector<std::uint8_t> agreement{kIac, kDo, kOptionComPort};
    ::send(fd, agreement.data(), agreement.size(), MSG_NOSIGNAL);
    Decoder decoder;
    std::deque<std::uint8_t> data;
    int reported = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    pollfd wait{fd, POLLIN, 0};
    while (reported < 4 && !stop && std::chrono::steady_clock::now() < end) {
        if (::poll(&wait, 1, 20) <= 0) {
            continue;
        }
        std::uint8_t buffer[512];
        const ssize_t count = ::recv(fd, buffer, sizeof(buffer), 0);
        if (count <= 0) {
            return false;
        }
        std::vector<Command> commands;
        decoder.Feed(buffer, static_cast<std::size_t>(count), data, commands);
        for (Command& command : commands) {
            if (command.verb == kSb && !command.payload.empty()) {
                command.payload[0] = static_cast<std::uint8_t>(command.payload[0] + 100);
                const std::vector<std::uint8_t> report = Subnegotiation(kOptionComPort, command.payload);
                ::send(fd, report.data(), report.size(), MSG_NOSIGNAL);
                ++reported;
            }
        }
    }
    return reported == 4;
}
