#pragma once
// pymodbus reading through a gateway: a Python child driven one read per line, so that its reads
// interleave with the tool's own and see the same machine load.
#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

class PymodbusPeer {
public:
    struct Read {
        double micros;  // as pymodbus's caller sees it, timed inside the child
        std::uint16_t value;
    };

    // Starts the peer on `url` (tcp:// or rfc2217://); when Python or pymodbus is missing it is not
    // Ready() and Note() says why.
    PymodbusPeer(const std::string& url, int slave, int reg);
    PymodbusPeer(const PymodbusPeer&) = delete;
    PymodbusPeer& operator=(const PymodbusPeer&) = delete;
    ~PymodbusPeer();

    bool Ready() const { return m_ready; }
    const std::string& Note() const { return m_note; }
    // One read, or nothing when it failed.
    std::optional<Read> ReadOnce();

private:
    std::string NextLine();

    pid_t m_pid = -1;
    int m_toPeer = -1;
    std::FILE* m_fromPeer = nullptr;
    bool m_ready = false;
    std::string m_note;
};
