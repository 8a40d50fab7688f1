// Template definitions of the device variables; included by ModbusDeviceVar.h only.
#include <utility>

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
    Raw raw{};
    const bool ok = ReadRaw(slave, &raw);
    // The worker reads the error of a failed register operation right after Process returns.
    const platform::LastErrorKeeper keepError;
    if (ok) {
        CScopeLock hold(lock);
        m_raw = raw;
        if (!m_valid) {
            T firstValue{};
            m_valid = m_converter(m_raw, firstValue);
        }
    }
    AdvanceDue();
    return ok;
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
