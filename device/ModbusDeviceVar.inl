// Template definitions of the device variables; included by ModbusDeviceVar.h only.
#include <utility>

#include "platform/AppErrors.h"
#include "platform/LastError.h"
#include "platform/Ticks.h"

inline constexpr std::uint64_t kFirstReadDelayMs = 10;

template <typename Raw, typename T>
CModbusDeviceVarInput<Raw, T>::CModbusDeviceVarInput(int id, std::uint16_t reg, std::uint32_t period,
                                                     Converter converter)
    : CModbusDeviceVar(id, reg, period, platform::GetTickCount64() + kFirstReadDelayMs),
      m_converter(std::move(converter)) {}

template <typename Raw, typename T>
bool CModbusDeviceVarInput<Raw, T>::Process(CModbusSlave* slave, std::recursive_mutex& lock) {
    const std::uint64_t before = slave->LineEvidence();
    Raw raw{};
    bool ok = ReadRaw(slave, &raw);
    const std::uint64_t after = slave->LineEvidence();
    if (ok) {
        CScopeLock hold(lock);
        if (Believe(raw, before, after)) {
            T value{};
            m_raw = raw;
            m_valid = m_converter(raw, value);
            if (!m_valid) {
                // Never converted and shown: the register cannot mean this, so the read failed.
                platform::SetLastError(platform::UnknownValueError(static_cast<std::uint16_t>(raw)));
                ok = false;
            }
        } else {
            m_valid = false;
        }
    }
    // The worker reads the error of a failed register operation right after Process returns.
    const platform::LastErrorKeeper keepError;
    AdvanceDue();
    return ok;
}

template <typename Raw, typename T>
bool CModbusDeviceVarInput<Raw, T>::Believe(const Raw& raw, std::uint64_t before, std::uint64_t after) {
    // A read that evidence came with counts for nothing, not even as a candidate: its reply may be
    // another request's. A clean one (nothing before its request, nothing while the master listened
    // after its reply) is its own request's reply unless a copy came later than a reply may take, so
    // two clean reads that agree confirm the value even with evidence between them.
    if (before != after) {
        return false;
    }
    if (!m_mustConfirm || (m_candidate && *m_candidate == raw)) {
        m_candidate.reset();
        return true;
    }
    m_candidate = raw;
    return false;
}

template <typename Raw, typename T>
bool CModbusDeviceVarInput<Raw, T>::Get(CModbusDevice& device, T& value) {
    CScopeLock hold(device.m_lock);
    return m_valid && m_converter(m_raw, value);
}

template <typename Raw, typename T>
CModbusDeviceVarOutput<Raw, T>::CModbusDeviceVarOutput(int id, std::uint16_t reg, Converter converter)
    : CModbusDeviceVar(id, reg, 0, platform::GetTickCount64()), m_converter(std::move(converter)) {}

template <typename Raw, typename T>
bool CModbusDeviceVarOutput<Raw, T>::Process(CModbusSlave* slave, std::recursive_mutex& lock) {
    Raw raw{};
    {
        CScopeLock hold(lock);
        raw = m_raw;
    }
    const bool ok = WriteRaw(slave, &raw);
    // The worker reads the error of a failed register operation right after Process returns.
    const platform::LastErrorKeeper keepError;
    if (ok) {
        m_valid = true;
    }
    AdvanceDue();
    return ok;
}

template <typename Raw, typename T>
bool CModbusDeviceVarOutput<Raw, T>::Set(CModbusDevice& device, const T& value) {
    Raw raw{};
    if (!m_converter(value, raw)) {
        return false;
    }
    {
        CScopeLock hold(device.m_lock);
        m_raw = raw;
    }
    device.QueueVar(this);
    return true;
}
