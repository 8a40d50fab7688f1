#include "scan/ScanEngine.h"

#include <algorithm>

#include "device/CommTables.h"
#include "modbus/Modbus.h"
#include "platform/AppErrors.h"
#include "platform/LastError.h"
#include "serial/ComDevice.h"

namespace {

constexpr int kReadInput = 4;
constexpr int kReadHolding = 3;
constexpr std::uint16_t kModelRegister = 2;
constexpr std::uint16_t kFirstSettingRegister = 33;  // address, baud rate / 100, mode
constexpr std::uint16_t kSettingRegisters = 3;
// Once something has answered, a slow moment must not lose it: identifying reads wait longer.
constexpr std::uint32_t kIdentifyAnswerMs = 100;

// The settings registers as a candidate; empty when a value is not one the controller can hold.
std::optional<ScanCandidate> HeldSettings(const std::uint16_t (&raw)[kSettingRegisters]) {
    const std::uint32_t baudRate = std::uint32_t{raw[1]} * 100;
    const bool known = raw[0] >= kFirstAddress && raw[0] <= kLastAddress && raw[2] < CommModeTable.size() &&
                       std::find(BaudRateTable.begin(), BaudRateTable.end(), baudRate) != BaudRateTable.end();
    if (!known) {
        return std::nullopt;
    }
    return ScanCandidate{{baudRate, raw[2]}, static_cast<std::uint8_t>(raw[0])};
}

// One scan's port and master, and the line setting the port runs at.
class CProbeLine {
public:
    explicit CProbeLine(traffic::IFrameObserver* tap) : m_modbus(&m_port) { m_modbus.SetFrameObserver(tap); }

    bool Open(const std::string& devicePath) {
        if (!m_port.OpenPort(devicePath)) {
            return false;
        }
        m_port.Port().RequestLowLatency();
        return true;
    }

    // Re-configures the open port only when the line setting changes.
    bool Use(const LineSettings& line, std::uint32_t answerMs) {
        if (m_line == line && m_lineAnswerMs == answerMs) {
            return true;
        }
        const CommModeEntry& mode = CommModeTable.at(line.modeIndex);
        platform::IPort& handle = m_port.Port();
        if (!handle.Configure(line.baudRate, mode.m_parity, mode.m_stopBits) ||
            !handle.SetTimeouts(ProbeTimeouts(line.baudRate, answerMs))) {
            m_line.reset();
            return false;
        }
        m_line = line;
        m_lineAnswerMs = answerMs;
        return true;
    }

    // True when the controller answered, with a value or with an exception: either way it is there.
    // The model read by the last probe that answered with a value.
    bool Probe(const ScanCandidate& candidate) {
        std::uint16_t model = 0;
        if (m_modbus.ReadRegisters(candidate.address, kReadInput, kModelRegister, 1, &model)) {
            m_model = model;
            return true;
        }
        m_model.reset();
        return platform::ModbusExceptionOf(platform::GetLastError()).has_value();
    }
    std::optional<std::uint16_t> Model() const { return m_model; }

    // One register per request: the controller is only known to answer reads of one.
    std::optional<ScanCandidate> ReadHeld(const ScanCandidate& candidate) {
        std::uint16_t raw[kSettingRegisters] = {};
        for (std::uint16_t i = 0; i < kSettingRegisters; ++i) {
            const auto reg = static_cast<std::uint16_t>(kFirstSettingRegister + i);
            if (!m_modbus.ReadRegisters(candidate.address, kReadHolding, reg, 1, &raw[i])) {
                return std::nullopt;
            }
        }
        return HeldSettings(raw);
    }

    bool Failed() const { return m_modbus.m_portFailed; }

private:
    CComDevice m_port;
    CModbus m_modbus;
    std::optional<LineSettings> m_line;
    std::uint32_t m_lineAnswerMs = 0;
    std::optional<std::uint16_t> m_model;
};

// What answered at `answered`: the settings it holds, and whether it answers at them too.
FoundController Identify(CProbeLine& line, const ScanCandidate& answered) {
    FoundController found{answered, std::nullopt, false, line.Model()};
    if (!line.Use(answered.line, kIdentifyAnswerMs)) {
        return found;
    }
    found.holds = line.ReadHeld(answered);
    if (!found.holds) {
        return found;
    }
    found.holdsConfirmed = *found.holds == answered ||
                           (line.Use(found.holds->line, kIdentifyAnswerMs) && line.Probe(*found.holds));
    return found;
}

}  // namespace

ScanResult CScanEngine::Run(const std::string& devicePath, const std::vector<ScanCandidate>& candidates,
                            IScanObserver& observer) {
    ScanResult result;
    CProbeLine line(m_options.tap);
    const auto portFailed = [&result] {
        result.outcome = ScanResult::PortFailed;
        result.error = platform::GetLastError();
        return result;
    };
    if (!line.Open(devicePath)) {
        return portFailed();
    }
    std::optional<LineSettings> foundAt;
    for (const ScanCandidate& candidate : candidates) {
        if (m_cancelled) {
            result.outcome = ScanResult::Cancelled;
            return result;
        }
        if (foundAt && !m_options.allAddresses) {
            break;
        }
        if (foundAt && candidate.line != *foundAt) {
            continue;
        }
        observer.OnProbe({result.tried, candidates.size(), candidate});
        if (!line.Use(candidate.line, m_options.answerMs)) {
            return portFailed();
        }
        ++result.tried;
        if (line.Probe(candidate)) {
            result.found.push_back(Identify(line, candidate));
            result.outcome = ScanResult::Found;
            foundAt = candidate.line;
        }
        if (line.Failed()) {
            return portFailed();
        }
    }
    return result;
}
