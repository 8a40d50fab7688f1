#pragma once
// One connection to a controller without a window: the port, the Modbus stack, the controller model and
// its worker, with the worker's notifications queued for the thread that drives the connection. The
// command-line tool and the commissioning bench both stand on it.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "device/Ardeno.h"
#include "device/DeviceEventQueue.h"
#include "device/WorkerThread.h"
#include "modbus/Modbus.h"
#include "modbus/ModbusSlave.h"
#include "port/ComDevice.h"

struct DeviceSettings {
    std::string port;
    std::uint32_t baudRate = 19200;
    std::size_t modeIndex = 0;  // into CommModeTable
    std::uint8_t address = 16;
    std::optional<std::uint32_t> replyTimeoutMs;  // the whole reply time, network included
};

class CDeviceConnection : private IModbusDeviceListener {
public:
    CDeviceConnection() = default;
    CDeviceConnection(const CDeviceConnection&) = delete;
    CDeviceConnection& operator=(const CDeviceConnection&) = delete;
    // Stops the worker before anything it uses goes.
    ~CDeviceConnection();

    // Opens the port at the settings, with the transport on it; false when it cannot (the thread's last
    // error tells why).
    bool OpenPort(const DeviceSettings& settings);
    // Once the port is open: the stack on it, the controller at the settings' address polled. `echo`:
    // the adapter echoes every request. False when the worker could not start.
    bool Start(bool echo = false, traffic::IFrameObserver* observer = nullptr);

    CComDevice& Port() { return m_port; }
    CModbus& Transport() { return *m_modbus; }  // once the port is open
    CArdeno& Controller() { return *m_controller; }
    DeviceEventQueue& Events() { return m_events; }

private:
    void OnDeviceError(std::uint32_t errorCode) override;
    void OnVarUpdated(int id, bool success) override;

    DeviceEventQueue m_events;
    CComDevice m_port;
    std::unique_ptr<CModbus> m_modbus;
    std::unique_ptr<CModbusSlave> m_slave;
    std::unique_ptr<CArdeno> m_controller;
    CWorkerThread m_worker;
};
