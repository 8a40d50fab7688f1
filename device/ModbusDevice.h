#pragma once
// The live model of one Modbus slave: a worker thread keeps the device's variables fresh, performs
// requested writes, and tells the registered listeners about every variable it processed.
#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <set>

#include "device/LineTrust.h"
#include "modbus/ModbusSlave.h"
#include "platform/Event.h"

class CModbusSlave;
class CModbusDeviceVar;

// What the worker reports. Called on the worker thread with the device lock held: an implementation
// must return promptly, must not wait for a thread that may take the lock, and must not add or
// remove listeners from inside the call.
class IModbusDeviceListener {
public:
    // The port itself failed; polling is over. Called once.
    virtual void OnDeviceError(std::uint32_t /*errorCode*/) {}
    // A variable was processed; success tells whether its register operation succeeded. On failure the
    // thread's last error (platform::GetLastError) still holds the reason during the call.
    virtual void OnVarUpdated(int /*id*/, bool /*success*/) {}

protected:
    // Listeners are never destroyed through this interface.
    ~IModbusDeviceListener() = default;
};

// Holds a lock for the lifetime of the holder.
class CScopeLock {
public:
    explicit CScopeLock(std::recursive_mutex& lock) : m_lock(lock) { m_lock.lock(); }
    CScopeLock(const CScopeLock&) = delete;
    CScopeLock& operator=(const CScopeLock&) = delete;
    virtual ~CScopeLock() { m_lock.unlock(); }

private:
    std::recursive_mutex& m_lock;
};

class CModbusDevice {
public:
    explicit CModbusDevice(CModbusSlave* slave);
    CModbusDevice(const CModbusDevice&) = delete;
    CModbusDevice& operator=(const CModbusDevice&) = delete;
    // Stops nothing: the worker must have ended before the device is destroyed.
    virtual ~CModbusDevice();

    // Registers a listener once, at the end of the list (an earlier entry of it is removed first).
    void AddListener(IModbusDeviceListener* listener);
    // After this returns the listener is never called again.
    void RemoveListener(IModbusDeviceListener* listener);
    // Asks the worker to process a variable at its next drain of the request queue; any thread.
    void QueueVar(CModbusDeviceVar* var);

    // The worker thread's entry: the argument is the device; returns Run's result.
    static unsigned ThreadProc(void* device);
    // The worker loop; returns 0 once the stop flag is seen.
    unsigned Run();

    // From the next read on every value is confirmed by a second read, until a clean poll round; any
    // thread. The write procedure asks for it so that it verifies and keeps only confirmed values.
    void RequireConfirmation() { m_confirmationWanted = true; }

    // True once whole replies have come a second time often enough to name it: two slaves may share
    // the address, or a repeater copies the line. Any thread.
    bool RepliesArriveTwice() const;
    // What the line did in each exchange so far, for the hint at a dead end. Any thread.
    traffic::LineSignCounts LineSigns() const { return m_slave->LineSigns(); }
    std::uint8_t SlaveAddress() const;

    // The schedule's order: valid variables by due time before every not-valid one.
    static bool CompareDue(const CModbusDeviceVar* a, const CModbusDeviceVar* b);

    struct DueOrder {
        bool operator()(const CModbusDeviceVar* a, const CModbusDeviceVar* b) const {
            return CompareDue(a, b);
        }
    };

    CModbusSlave* m_slave;
    std::list<IModbusDeviceListener*> m_listeners;          // guarded by m_lock
    std::multiset<CModbusDeviceVar*, DueOrder> m_schedule;  // the worker's alone
    std::set<CModbusDeviceVar*> m_queue;                    // guarded by m_lock
    std::unique_ptr<platform::CEvent> m_wakeEvent;          // null when it could not be created
    std::recursive_mutex m_lock;
    std::atomic<std::uint32_t> m_lastError{0};  // 0 until the port fails
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_confirmationWanted{false};

protected:
    // One pass of Run: processing, put back, drain, sleep. halted is Run's flag, set by a port
    // failure. Returns false once the worker must end.
    bool RunPass(bool& halted);

private:
    // Processes due and pending variables once each; returns them in processing order when they stay.
    std::list<CModbusDeviceVar*> ProcessDue(bool& halted);
    CModbusDeviceVar* TakeNext();
    // Processes one variable under the line trust's rule; Process's result.
    bool ProcessTrusted(CModbusDeviceVar* var);
    // The polled variables in the schedule: all of them between passes.
    std::size_t PolledCount() const;
    void Notify(CModbusDeviceVar* var, bool success, bool& halted);
    void DrainQueue();
    void Sleep(bool halted);

    CLineTrust m_trust;             // the worker's alone
    std::size_t m_polledCount = 0;  // as of the pass's start
};
