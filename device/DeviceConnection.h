#pragma once
// One connection to a controller without a window: the port, the Modbus stack, the controller model and
// its worker, with the worker's notifications queued for the thread that drives the connection. The
// command-line tool and the commissioning bench both stand on it.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "device/Ardeno.h"
#include "device/DeviceEventQueue.h"
#include "device/GatewayProbe.h"
#include "device/WorkerThread.h"
#include "modbus/Modbus.h"
#include "modbus/ModbusSlave.h"
#include "port/ComDevice.h"

// How the connections to one port are opened, apart from the line settings and the address: what the
// operator chose for that port. Every connection a front end opens there follows it, so that a step
// opened later (a commissioning bench's) talks to the line as the first one did.
struct ConnectionRecipe {
    std::string port;
    std::uint32_t replyTimeoutMs = CComDevice::kDefaultReplyTimeoutMs;
    std::optional<std::uint32_t> networkAllowanceMs{};  // empty: measured when a network port opens
    bool echo = false;                                  // the adapter echoes every request
    bool rs485 = false;                                 // turn on the driver's RS-485 mode
    std::optional<traffic::Framing> framing{};          // empty: RTU, found out on a tcp:// port
    traffic::IFrameObserver* trace = nullptr;           // told every frame; not owned
    std::optional<std::uint32_t> openingLimitMs{};      // how long a network gateway may take to connect
    const std::atomic<bool>* openingStop = nullptr;     // ends an opening at once; not owned
    std::function<void()> echoNotice{};                 // told once an echo is noticed unasked
    // Told, before anything is sent, that other programs hold the port open too (SharedPortWarning):
    // each would take part of every reply.
    std::function<void(const std::string&)> sharedPortNotice{};

    // A reply time given as the whole time, network included.
    void SetWholeReplyTime(std::uint32_t ms) {
        replyTimeoutMs = ms;
        networkAllowanceMs = 0;
    }
};

// The recipe an open port was opened with, for more connections to the same line.
ConnectionRecipe RecipeOf(const CComDevice& port);

struct DeviceSettings {
    std::uint32_t baudRate = 19200;
    std::size_t modeIndex = 0;  // into CommModeTable
    std::uint8_t address = 16;
};

// How far an Open came.
enum class OpenStep { Opened, PortNotOpened, Rs485NotOn, GatewayDropped, NotStarted };

class CDeviceConnection : private IModbusDeviceListener {
public:
    CDeviceConnection() = default;
    CDeviceConnection(const CDeviceConnection&) = delete;
    CDeviceConnection& operator=(const CDeviceConnection&) = delete;
    // Stops the worker before anything it uses goes.
    ~CDeviceConnection();

    // Opens the port as the recipe says at the settings and starts polling the controller at the
    // settings' address. A tcp:// port without a framing in the recipe is asked which kind of gateway
    // it reaches first (see GatewayProbe.h); GatewayDropped when it dropped the connection then.
    // Anything but Opened leaves the thread's last error telling why.
    OpenStep Open(const ConnectionRecipe& recipe, const DeviceSettings& settings);

    CComDevice& Port() { return m_port; }
    // What the gateway probe found, when Open asked one.
    const std::optional<GatewayProbe>& Probe() const { return m_probe; }
    CModbus& Transport() { return *m_modbus; }  // once the port is open
    CArdeno& Controller() { return *m_controller; }
    DeviceEventQueue& Events() { return m_events; }

private:
    void OnDeviceError(std::uint32_t errorCode) override;
    void OnVarUpdated(int id, bool success) override;

    DeviceEventQueue m_events;
    CComDevice m_port;
    std::optional<GatewayProbe> m_probe;
    std::unique_ptr<CModbus> m_modbus;
    std::unique_ptr<CModbusSlave> m_slave;
    std::unique_ptr<CArdeno> m_controller;
    CWorkerThread m_worker;
};
