#pragma once
// A slave without a line: registers in memory, a log of every operation, and faults on demand.
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "modbus/ModbusSlave.h"
#include "platform/LastError.h"

class ScriptedSlave : public CModbusSlave {
public:
    ScriptedSlave() : CModbusSlave(nullptr, 16) {}

    bool IsPortFailed() override {
        std::lock_guard guard(m_mutex);
        return m_portFailed;
    }
    // The line's evidence count as a test sets it; a read may add to it as it runs (bumpOnRead).
    std::uint64_t LineEvidence() override {
        std::lock_guard guard(m_mutex);
        return m_evidence;
    }
    std::uint64_t m_evidence = 0;
    bool m_bumpOnRead = false;
    bool ReadInputRegisters(std::uint16_t first, std::uint16_t count, std::uint16_t* destination) override {
        return Read("R4", m_input, first, count, destination);
    }
    bool ReadHoldingRegisters(std::uint16_t first, std::uint16_t count, std::uint16_t* destination) override {
        return Read("R3", m_holding, first, count, destination);
    }
    bool WriteRegister(std::uint16_t reg, std::uint16_t value) override {
        if (!Begin("W6 " + std::to_string(reg) + "=" + std::to_string(value), reg)) {
            return false;
        }
        std::lock_guard guard(m_mutex);
        m_holding[reg] = value;
        return true;
    }
    bool WriteRegisters(std::uint16_t first, std::uint16_t count, const std::uint16_t* values) override {
        for (std::uint16_t i = 0; i < count; ++i) {
            if (!WriteRegister(static_cast<std::uint16_t>(first + i), values[i])) {
                return false;
            }
        }
        return true;
    }

    void SetInput(std::uint16_t reg, std::uint16_t value) { Store(m_input, reg, value); }
    void SetHolding(std::uint16_t reg, std::uint16_t value) { Store(m_holding, reg, value); }
    std::uint16_t Holding(std::uint16_t reg) {
        std::lock_guard guard(m_mutex);
        return m_holding[reg];
    }
    // Operations on the register fail with error (a time-out unless said otherwise) until cleared.
    void FailRegister(std::uint16_t reg, bool fail, std::uint32_t error = ERROR_TIMEOUT) {
        std::lock_guard guard(m_mutex);
        fail ? (void)(m_failing[reg] = error) : (void)m_failing.erase(reg);
    }
    // From now on every operation fails as a broken port, leaving code as the last error.
    void BreakPort(std::uint32_t code) {
        std::lock_guard guard(m_mutex);
        m_portFailed = true;
        m_portError = code;
    }
    // Called at the start of every operation, outside the slave's own lock.
    void OnOperation(std::function<void()> hook) {
        std::lock_guard guard(m_mutex);
        m_hook = std::move(hook);
    }
    std::vector<std::string> TakeLog() {
        std::lock_guard guard(m_mutex);
        return std::exchange(m_log, {});
    }

private:
    using Registers = std::map<std::uint16_t, std::uint16_t>;

    void Store(Registers& registers, std::uint16_t reg, std::uint16_t value) {
        std::lock_guard guard(m_mutex);
        registers[reg] = value;
    }

    bool Begin(const std::string& entry, std::uint16_t reg) {
        std::function<void()> hook;
        {
            std::lock_guard guard(m_mutex);
            m_log.push_back(entry);
            hook = m_hook;
        }
        if (hook) {
            hook();
        }
        std::lock_guard guard(m_mutex);
        if (m_portFailed) {
            platform::SetLastError(m_portError);
            return false;
        }
        if (const auto failing = m_failing.find(reg); failing != m_failing.end()) {
            platform::SetLastError(failing->second);
            return false;
        }
        return true;
    }

    bool Read(const char* function, Registers& registers, std::uint16_t first, std::uint16_t count,
              std::uint16_t* destination) {
        if (!Begin(std::string(function) + " " + std::to_string(first), first)) {
            return false;
        }
        std::lock_guard guard(m_mutex);
        for (std::uint16_t i = 0; i < count; ++i) {
            destination[i] = registers[static_cast<std::uint16_t>(first + i)];
        }
        m_evidence += m_bumpOnRead ? 1 : 0;
        return true;
    }

    std::mutex m_mutex;
    Registers m_input;
    Registers m_holding;
    std::map<std::uint16_t, std::uint32_t> m_failing;
    bool m_portFailed = false;
    std::uint32_t m_portError = 0;
    std::function<void()> m_hook;
    std::vector<std::string> m_log;
};
