#pragma once
// The tool's end of the stand-in's line opened by hand: raw bytes out, raw bytes in with their arrival
// times, so that tests can see exactly what went over the wire.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace simtest {

struct Arrival {
    std::uint8_t byte;
    std::chrono::steady_clock::time_point at;
};

class RawLine {
public:
    explicit RawLine(const std::string& path);  // fails the test when the path cannot be opened
    RawLine(const RawLine&) = delete;
    RawLine& operator=(const RawLine&) = delete;
    ~RawLine();

    // Sends the bytes with their CRC appended; returns when they were written.
    void SendWithCrc(std::vector<std::uint8_t> body);
    // Collects bytes until `expected` have come or the line stays quiet for `quiet`.
    std::vector<Arrival> Collect(std::size_t expected, std::chrono::milliseconds quiet);
    // The bytes of Collect without their times.
    std::vector<std::uint8_t> Reply(std::size_t expected, std::chrono::milliseconds quiet);
    int Fd() const { return m_fd; }

private:
    int m_fd = -1;
};

std::vector<std::uint8_t> BytesOf(const std::vector<Arrival>& arrivals);

}  // namespace simtest
