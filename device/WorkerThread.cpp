#include "device/WorkerThread.h"

#include <chrono>
#include <system_error>

#include "device/ModbusDevice.h"
#include "modbus/ModbusSlave.h"

CWorkerThread::~CWorkerThread() {
    Stop();
}

bool CWorkerThread::Start(CModbusDevice& device) {
    if (IsRunning()) {
        return false;
    }
    if (!device.m_wakeEvent) {
        device.m_stop = true;
        return false;
    }
    std::promise<void> ended;
    std::future<void> endedFuture = ended.get_future();
    try {
        m_thread = std::thread([&device, ended = std::move(ended)]() mutable {
            CModbusDevice::ThreadProc(&device);
            ended.set_value();
        });
    } catch (const std::system_error&) {
        device.m_stop = true;
        return false;
    }
    m_device = &device;
    m_ended = std::move(endedFuture);
    return true;
}

bool CWorkerThread::Stop() {
    if (!IsRunning()) {
        return true;
    }
    m_device->m_stop = true;
    // An exchange under way ends now, not when its reply time runs out (seconds on a slow line).
    m_device->m_slave->Interrupt();
    m_device->m_wakeEvent->Set();
    const bool endedInTime =
        m_ended.wait_for(std::chrono::milliseconds(kStopWaitMs)) == std::future_status::ready;
    // Keep waiting even after the time limit: the device and its variables must outlive the worker.
    m_thread.join();
    m_device = nullptr;
    return endedInTime;
}
