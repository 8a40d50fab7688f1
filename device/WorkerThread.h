#pragma once
// Starts and stops the worker thread of one device.
#include <cstdint>
#include <future>
#include <thread>

class CModbusDevice;

class CWorkerThread {
public:
    static constexpr std::uint32_t kStopWaitMs = 5000;

    CWorkerThread() = default;
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;
    // Stops a worker that is still running.
    ~CWorkerThread();

    // Starts the worker on the device. Nothing starts (false) when the device has no wake event or
    // the thread cannot be created; the device's stop flag is then set so that a later Run returns
    // at once.
    bool Start(CModbusDevice& device);
    // Sets the stop flag, interrupts the exchange under way, wakes the worker and waits for its end: up
    // to kStopWaitMs, then, if it is still running, for as long as it takes, since the device must
    // outlive it. True when the worker ended within kStopWaitMs (or none was running).
    bool Stop();
    bool IsRunning() const { return m_thread.joinable(); }

private:
    CModbusDevice* m_device = nullptr;
    std::future<void> m_ended;
    std::thread m_thread;
};
