#pragma once
// Device variables: one 16-bit register of the slave bound to a typed value. Inputs are read by the
// worker thread and handed to the user interface on demand, once believed (see LineTrust.h) and only
// when the converter knows the value: an unknown value fails the read with platform::UnknownValueError;
// outputs carry one value to the slave by a register write that the worker repeats until it succeeds.
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>

#include "device/ModbusDevice.h"
#include "modbus/ModbusSlave.h"
#include "platform/LastError.h"

// What the device schedules and processes.
class CModbusDeviceVar {
public:
    CModbusDeviceVar(int id, std::uint16_t reg, std::uint32_t period, std::uint64_t due)
        : m_due(due), m_id(id), m_period(period), m_register(reg) {}
    CModbusDeviceVar(const CModbusDeviceVar&) = delete;
    CModbusDeviceVar& operator=(const CModbusDeviceVar&) = delete;
    virtual ~CModbusDeviceVar() = default;

    // Performs the variable's one register operation on the worker thread, without the lock held;
    // on failure the slave's error code is left as the thread's last error.
    virtual bool Process(CModbusSlave* slave, std::recursive_mutex& lock) = 0;

    bool m_valid = false;
    std::uint64_t m_due;  // GetTickCount64 milliseconds
    // While not valid, the variable waits until this time before it is tried again: set when the slave
    // refused its operation, so that a refusal is not repeated as fast as the line allows.
    std::uint64_t m_heldUntil = 0;
    int m_id;
    std::uint32_t m_period;  // ms; 0: leaves the schedule once its work is done
    // Set by the device before Process while the line is unsettled (see LineTrust.h): a value read
    // then counts only when another clean read of the register agrees.
    bool m_mustConfirm = false;
    std::uint16_t m_register;

protected:
    // Keeps the due time on its grid m_due + k * m_period: unchanged when served early, one period on
    // when served less than half a period late, otherwise the grid point nearest to now + period.
    void AdvanceDue();
};

template <typename Raw, typename T>
class CModbusDeviceVarInput : public CModbusDeviceVar {
public:
    using Converter = std::function<bool(const Raw& raw, T& value)>;

    CModbusDeviceVarInput(int id, std::uint16_t reg, std::uint32_t period, Converter converter);

    bool Process(CModbusSlave* slave, std::recursive_mutex& lock) override;
    // True when value now holds the current value; false while no acceptable value has been read.
    bool Get(CModbusDevice& device, T& value);

    Raw m_raw{};
    Converter m_converter;

protected:
    virtual bool ReadRaw(CModbusSlave* slave, Raw* raw) = 0;

private:
    // Whether a read value counts; before and after are the line's evidence counts around the read.
    // Called with the lock held.
    bool Believe(const Raw& raw, std::uint64_t before, std::uint64_t after);

    std::optional<Raw> m_candidate;  // the last clean read not yet believed
};

// Read with function 4.
template <typename Raw, typename T>
class CModbusDeviceVarInputReg : public CModbusDeviceVarInput<Raw, T> {
public:
    using CModbusDeviceVarInput<Raw, T>::CModbusDeviceVarInput;

protected:
    bool ReadRaw(CModbusSlave* slave, Raw* raw) override {
        return slave->ReadInputRegisters(this->m_register, 1, raw);
    }
};

// Read with function 3.
template <typename Raw, typename T>
class CModbusDeviceVarHoldingInput : public CModbusDeviceVarInput<Raw, T> {
public:
    using CModbusDeviceVarInput<Raw, T>::CModbusDeviceVarInput;

protected:
    bool ReadRaw(CModbusSlave* slave, Raw* raw) override {
        return slave->ReadHoldingRegisters(this->m_register, 1, raw);
    }
};

template <typename Raw, typename T>
class CModbusDeviceVarOutput : public CModbusDeviceVar {
public:
    using Converter = std::function<bool(const T& value, Raw& raw)>;

    CModbusDeviceVarOutput(int id, std::uint16_t reg, Converter converter);

    bool Process(CModbusSlave* slave, std::recursive_mutex& lock) override;
    // Queues the value for writing; false (nothing stored or queued) when the converter refuses it.
    bool Set(CModbusDevice& device, const T& value);

    Raw m_raw{};
    Converter m_converter;

protected:
    virtual bool WriteRaw(CModbusSlave* slave, const Raw* raw) = 0;
};

// Written with function 6.
template <typename Raw, typename T>
class CModbusDeviceVarHoldingOutput : public CModbusDeviceVarOutput<Raw, T> {
public:
    using CModbusDeviceVarOutput<Raw, T>::CModbusDeviceVarOutput;

protected:
    bool WriteRaw(CModbusSlave* slave, const Raw* raw) override {
        return slave->WriteRegister(this->m_register, *raw);
    }
};

#include "device/ModbusDeviceVar.inl"
