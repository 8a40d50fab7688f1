#include "device/ModbusDevice.h"

#include <algorithm>
#include <new>

#include "device/ModbusDeviceVar.h"
#include "modbus/ModbusSlave.h"
#include "platform/AppErrors.h"
#include "platform/LastError.h"
#include "platform/Ticks.h"

namespace {

constexpr std::uint64_t kMaxSleepMs = 100;
constexpr std::uint64_t kIdleSleepMs = 10;
// A request the slave refused (or busy), or a value it cannot mean, is tried again no sooner than the
// normal poll period.
constexpr std::uint64_t kRefusedRetryMs = 1000;

bool IsRefusal(std::uint32_t code) {
    return platform::ModbusExceptionOf(code) || platform::UnknownValueOf(code);
}

// One copy may be a glitch; a second one is a pattern worth telling the operator.
constexpr std::uint64_t kCopiesToTell = 2;

// A not-valid variable waits for its retry only while held after a refusal.
bool IsHeld(const CModbusDeviceVar& var, std::uint64_t now) {
    return !var.m_valid && now < var.m_heldUntil;
}

}  // namespace

std::uint8_t CModbusDevice::SlaveAddress() const {
    return m_slave->m_address;
}

CModbusDevice::CModbusDevice(CModbusSlave* slave)
    : m_slave(slave), m_wakeEvent(new (std::nothrow) platform::CEvent) {}

CModbusDevice::~CModbusDevice() {
    CScopeLock hold(m_lock);
    m_queue.clear();
    m_schedule.clear();
    m_listeners.clear();
}

void CModbusDevice::AddListener(IModbusDeviceListener* listener) {
    CScopeLock hold(m_lock);
    m_listeners.remove(listener);
    m_listeners.push_back(listener);
}

void CModbusDevice::RemoveListener(IModbusDeviceListener* listener) {
    CScopeLock hold(m_lock);
    m_listeners.remove(listener);
}

void CModbusDevice::QueueVar(CModbusDeviceVar* var) {
    CScopeLock hold(m_lock);
    m_queue.insert(var);
}

unsigned CModbusDevice::ThreadProc(void* device) {
    return static_cast<CModbusDevice*>(device)->Run();
}

bool CModbusDevice::RepliesArriveTwice() const {
    return m_slave->CopiedReplies() >= kCopiesToTell;
}

bool CModbusDevice::CompareDue(const CModbusDeviceVar* a, const CModbusDeviceVar* b) {
    if (!a->m_valid) {
        return false;
    }
    if (!b->m_valid) {
        return true;
    }
    return a->m_due < b->m_due;
}

unsigned CModbusDevice::Run() {
    // Without a wake event there is nothing to sleep on; the worker is not meant to run then.
    if (m_stop || !m_wakeEvent) {
        return 0;
    }
    bool halted = false;
    while (RunPass(halted)) {
    }
    return 0;
}

bool CModbusDevice::RunPass(bool& halted) {
    m_polledCount = PolledCount();
    std::list<CModbusDeviceVar*> done = ProcessDue(halted);
    if (!m_stop) {
        // Inserted in processing order; a multiset places each after its equivalents.
        for (CModbusDeviceVar* var : done) {
            m_schedule.insert(var);
        }
    }
    DrainQueue();
    if (m_stop) {
        return false;
    }
    Sleep(halted);
    return !m_stop;
}

std::list<CModbusDeviceVar*> CModbusDevice::ProcessDue(bool& halted) {
    std::list<CModbusDeviceVar*> done;
    // After a port failure nothing is processed again, even if the worker is woken without a stop.
    while (!halted && !m_schedule.empty()) {
        CModbusDeviceVar* var = TakeNext();
        if (var == nullptr) {
            break;
        }
        const bool ok = ProcessTrusted(var);
        if (!ok && IsRefusal(platform::GetLastError())) {
            var->m_heldUntil = platform::GetTickCount64() + kRefusedRetryMs;
        }
        Notify(var, ok, halted);
        if (var->m_period != 0 || !var->m_valid) {
            done.push_back(var);
        }
        if (halted || m_stop) {
            break;
        }
    }
    return done;
}

bool CModbusDevice::ProcessTrusted(CModbusDeviceVar* var) {
    if (m_confirmationWanted.exchange(false)) {
        m_trust.Unsettle();
    }
    const std::uint64_t before = m_slave->LineEvidence();
    var->m_mustConfirm = !m_trust.Settled(before);
    const bool ok = var->Process(m_slave, m_lock);
    if (var->m_period != 0) {
        const platform::LastErrorKeeper keepError;
        const bool answered = ok || IsRefusal(platform::GetLastError());
        m_trust.Note(var->m_id, answered, before, m_slave->LineEvidence(), m_polledCount);
    }
    return ok;
}

std::size_t CModbusDevice::PolledCount() const {
    return static_cast<std::size_t>(
        std::count_if(m_schedule.begin(), m_schedule.end(),
                      [](const CModbusDeviceVar* var) { return var->m_period != 0; }));
}

// The front variable when it is due; otherwise the last pending variable that is not held; null when
// neither.
CModbusDeviceVar* CModbusDevice::TakeNext() {
    const std::uint64_t now = platform::GetTickCount64();
    auto candidate = m_schedule.begin();
    if (now < (*candidate)->m_due || IsHeld(**candidate, now)) {
        candidate = m_schedule.end();
        for (auto it = m_schedule.end(); it != m_schedule.begin() && !(*std::prev(it))->m_valid; --it) {
            if (!IsHeld(**std::prev(it), now)) {
                candidate = std::prev(it);
                break;
            }
        }
        if (candidate == m_schedule.end()) {
            return nullptr;
        }
    }
    CModbusDeviceVar* var = *candidate;
    m_schedule.erase(candidate);
    return var;
}

void CModbusDevice::Notify(CModbusDeviceVar* var, bool success, bool& halted) {
    if (!success && m_slave->IsPortFailed()) {
        const std::uint32_t code = platform::GetLastError();
        m_lastError = code != 0 ? code : ERROR_GEN_FAILURE;
        halted = true;
        CScopeLock hold(m_lock);
        for (IModbusDeviceListener* listener : m_listeners) {
            listener->OnDeviceError(m_lastError);
        }
        return;
    }
    CScopeLock hold(m_lock);
    for (IModbusDeviceListener* listener : m_listeners) {
        listener->OnVarUpdated(var->m_id, success);
    }
}

void CModbusDevice::DrainQueue() {
    for (;;) {
        CModbusDeviceVar* var = nullptr;
        {
            CScopeLock hold(m_lock);
            if (m_queue.empty()) {
                return;
            }
            var = *m_queue.begin();
            m_queue.erase(m_queue.begin());
        }
        // By identity: the schedule's order cannot find a variable whose key is not comparable.
        if (std::find(m_schedule.begin(), m_schedule.end(), var) == m_schedule.end()) {
            {
                CScopeLock hold(m_lock);
                var->m_valid = false;
            }
            m_schedule.insert(var);
        }
        if (m_stop) {
            return;
        }
    }
}

// Until the front variable falls due or a held one may be tried again; not at all while one is pending.
void CModbusDevice::Sleep(bool halted) {
    std::uint64_t wait = kIdleSleepMs;
    if (!m_schedule.empty()) {
        const std::uint64_t now = platform::GetTickCount64();
        wait = kMaxSleepMs;
        for (const CModbusDeviceVar* var : m_schedule) {
            const std::uint64_t next = var->m_valid ? var->m_due : var->m_heldUntil;
            wait = std::min(wait, next > now ? next - now : 0);
        }
    }
    if (halted) {
        m_wakeEvent->Wait(platform::kWaitInfinite);
    } else if (wait > 0) {
        m_wakeEvent->Wait(static_cast<std::uint32_t>(wait));
    }
}
