#pragma once
// Network gateways in front of a stand-in's pseudo-terminal, on free loopback ports: ser2net (RFC 2217
// and raw TCP), socat (raw TCP), a translating Modbus TCP gateway of pymodbus's, and a relay that
// splits and delays what comes back.
#include <netinet/in.h>
#include <sys/types.h>

#include <atomic>
#include <string>
#include <thread>

// 127.0.0.1 at this port.
sockaddr_in Loopback(int port);

// A gateway program run for the test's length.
class GatewayProcess {
public:
    enum class Kind { Ser2netRfc2217, Ser2netRaw, Socat };
    GatewayProcess(Kind kind, const std::string& terminal);
    GatewayProcess(const GatewayProcess&) = delete;
    GatewayProcess& operator=(const GatewayProcess&) = delete;
    ~GatewayProcess();  // ends the program

    // "rfc2217://127.0.0.1:PORT" or "tcp://127.0.0.1:PORT"
    std::string Url() const;
    int Port() const { return m_port; }
    void Kill();

private:
    Kind m_kind;
    int m_port = 0;
    pid_t m_pid = -1;
    std::string m_config;
};

// A translating gateway (Modbus TCP in, RTU out) made of pymodbus's parts (pymodbus_gateway.py) in
// front of a socat bridge to the terminal: requests for `units` ("16" or "16,20") pass on, any other
// unit gets exception 0x0B. Writes pass on only with `forwardWrites`; otherwise the gateway echoes the
// register's old value, as pymodbus's RemoteSlaveContext does.
class TranslatingGateway {
public:
    TranslatingGateway(const std::string& terminal, const std::string& units, bool forwardWrites = false);
    TranslatingGateway(const TranslatingGateway&) = delete;
    TranslatingGateway& operator=(const TranslatingGateway&) = delete;
    ~TranslatingGateway();

    std::string Url() const { return "tcp://127.0.0.1:" + std::to_string(m_port); }
    // The gateway program goes; the bridge behind it stays.
    void Kill();

private:
    GatewayProcess m_bridge;
    int m_port;
    pid_t m_pid = -1;
};

// Passes one connection to `targetPort`; the bytes coming back go in segments of `chunk` bytes with a
// pause between them.
class SplittingRelay {
public:
    SplittingRelay(int targetPort, std::size_t chunk, int pauseMs);
    SplittingRelay(const SplittingRelay&) = delete;
    SplittingRelay& operator=(const SplittingRelay&) = delete;
    ~SplittingRelay();

    std::string Url() const { return "tcp://127.0.0.1:" + std::to_string(m_port); }

private:
    void Run(int targetPort, std::size_t chunk, int pauseMs);

    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// A loopback port nobody listens on just now.
int FreeLoopbackPort();
