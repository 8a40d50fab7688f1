#pragma once
// A gateway on a free loopback port that misbehaves the way broken or hostile converters do, served by a
// thread of the test for one connection; it stops by itself after a minute at the latest.
#include <atomic>
#include <string>
#include <thread>

class HostileGateway {
public:
    enum class Behaviour {
        NeverAccepts,  // the kernel's queue of waiting connections is full: a handshake never completes
        Silent,        // connected by the kernel, never a byte back
        Flood,         // Telnet option requests without end, and never a byte read
        EndlessSubnegotiation,  // IAC SB COM-PORT, then payload without end
        Junk,                   // data without end, as fast as the connection takes it
        HangsUp,                // accepts, then closes the connection at once
    };
    // `agreeFirst`: before misbehaving, agree to the COM port option and report back the four settings,
    // as an RFC 2217 server does, and let the port open.
    explicit HostileGateway(Behaviour behaviour, bool agreeFirst = false);
    HostileGateway(const HostileGateway&) = delete;
    HostileGateway& operator=(const HostileGateway&) = delete;
    ~HostileGateway();

    int Port() const { return m_port; }

private:
    void Serve(Behaviour behaviour, bool agreeFirst);
    // Takes the one connection; -1 when the test ended first.
    int Accept();

    int m_listen = -1;
    int m_filler = -1;  // the connection that fills the queue of a gateway that never accepts
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
