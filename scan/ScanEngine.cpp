#include "scan/ScanEngine.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <utility>

#include <fmt/format.h>

#include "device/ControllerFacts.h"
#include "device/GatewayProbe.h"
#include "modbus/Modbus.h"
#include "platform/AppErrors.h"
#include "platform/LastError.h"
#include "port/ComDevice.h"
#include "res/Hints.h"
#include "scan/LateEvidence.h"

namespace {

constexpr int kReadInput = 4;
constexpr int kReadHolding = 3;
constexpr std::uint16_t kSettingRegisters = 3;
// Once something has answered, or a late reply pointed at a probe, a slow controller must not be lost:
// those probes and the identifying reads wait this long for the controller's answer.
constexpr std::uint32_t kPatientAnswerMs = 150;
// A probe that drew a damaged reply is asked again this often: on a poor line some replies come through.
constexpr int kDamagedRetries = 3;

// The settings registers as a candidate; empty when a value is not one the controller can hold. Every
// baud code is one (48 is 4800 baud, 0 is 0).
std::optional<ScanCandidate> HeldSettings(const std::uint16_t (&raw)[kSettingRegisters]) {
    const bool known = IsSlaveAddress(raw[0]) && raw[2] < CommModeTable.size();
    if (!known) {
        return std::nullopt;
    }
    return ScanCandidate{{std::uint32_t{raw[1]} * 100, raw[2]}, static_cast<std::uint8_t>(raw[0])};
}

// When a probe's reply is due to start: its whole budget less the time of all but its first character,
// rounded down to whole milliseconds (never ahead of the byte).
std::uint32_t FirstByteDueMs(std::uint32_t baudRate, std::uint32_t answerMs) {
    const auto restMs = static_cast<std::uint32_t>(CharactersUs(kProbeReplyBytes - 1, baudRate) / 1000);
    return ProbeBudgetMs(baudRate, answerMs) - restMs;
}

// One scan's port and master, and the line setting the port runs at.
class CProbeLine {
public:
    CProbeLine(traffic::IFrameObserver* tap, const std::atomic<bool>* openingStop) : m_tap(tap) {
        m_port.m_openingStop = openingStop;
    }

    // Opens the port and lays frames out as `framing` says; without one, a tcp:// port is asked which
    // kind of gateway it reaches, at `first`. False when the port failed.
    bool Open(const std::string& devicePath, std::optional<traffic::Framing> framing,
              const ScanCandidate& first) {
        if (!m_port.OpenPort(devicePath)) {
            return false;
        }
        m_port.m_devicePath = devicePath;
        m_port.Port().RequestLowLatency();
        if (framing) {
            m_port.UseFraming(*framing);
        } else if (NeedsGatewayProbe(m_port)) {
            // The probe asks at the connection's limits: a gateway may take its own serial wait.
            if (!m_port.Port().SetTimeouts(ReadTimeoutsFor(CComDevice::kDefaultReplyTimeoutMs)) ||
                ProbeGateway(m_port, first.address, m_tap).portFailed) {
                return false;
            }
        }
        m_modbus.emplace(&m_port, m_port.m_framing.value_or(traffic::Framing::Rtu));
        m_modbus->SetFrameObserver(m_tap);
        return true;
    }
    std::optional<traffic::Framing> Framing() const { return m_port.m_framing; }

    // Re-configures the open port only when the line setting changes.
    bool Use(const LineSettings& line, std::uint32_t answerMs) {
        m_modbus->SetFirstByteLimitMs(FirstByteDueMs(line.baudRate, answerMs));
        if (m_line == line && m_lineAnswerMs == answerMs) {
            return true;
        }
        const CommModeEntry& mode = CommModeTable.at(line.modeIndex);
        port::IPort& handle = m_port.Port();
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
    // The model read by the last probe that answered with a value. The next probe names another
    // address or asks again on purpose, so no guard waits before it.
    bool Probe(const ScanCandidate& candidate) {
        std::uint16_t model = 0;
        const bool answered = Read(candidate.address, kReadInput, kModelRegister, model);
        m_modbus->SkipGuard();
        if (answered) {
            m_model = model;
            return true;
        }
        m_model.reset();
        // A gateway's own refusal says that nothing answers behind it.
        const auto exception = platform::ModbusExceptionOf(platform::GetLastError());
        return exception && !platform::IsGatewayException(*exception);
    }
    std::optional<std::uint16_t> Model() const { return m_model; }

    // One register per request: the controller is only known to answer reads of one. Empty when a
    // read went unanswered.
    std::optional<std::optional<ScanCandidate>> ReadHeld(const ScanCandidate& candidate) {
        std::uint16_t raw[kSettingRegisters] = {};
        for (std::uint16_t i = 0; i < kSettingRegisters; ++i) {
            const auto reg = static_cast<std::uint16_t>(kAddressRegister + i);
            if (!Read(candidate.address, kReadHolding, reg, raw[i])) {
                return std::nullopt;
            }
        }
        return HeldSettings(raw);
    }

    // The shortest exchange since the last call, in microseconds.
    std::uint64_t TakeFastestUs() { return std::exchange(m_fastestUs, UINT64_MAX); }
    bool Failed() const { return m_modbus->m_portFailed; }
    std::uint64_t Evidence() const { return m_modbus->Evidence(); }
    traffic::LineSignCounts Signs() const { return m_modbus->LineSigns(); }

private:
    bool Read(std::uint8_t address, int function, std::uint16_t reg, std::uint16_t& value) {
        const bool read = m_modbus->ReadRegisters(address, function, reg, 1, &value);
        if (read) {
            m_fastestUs =
                std::min(m_fastestUs, static_cast<std::uint64_t>(m_modbus->LastReplyTime().count()));
        }
        return read;
    }

    CComDevice m_port;
    traffic::IFrameObserver* m_tap;
    std::optional<CModbus> m_modbus;  // once open
    std::optional<LineSettings> m_line;
    std::uint32_t m_lineAnswerMs = 0;
    std::optional<std::uint16_t> m_model;
    std::uint64_t m_fastestUs = UINT64_MAX;
};

// What answers at `answered` when asked again: its model and the settings it holds. Empty when it does
// not answer again (what came was a late reply to an earlier probe), or, `spoiled`, when the line
// showed evidence meanwhile: a reply sent twice (a repeater, two units at one address) could pass one
// register's value for another's.
std::optional<FoundController> Identify(CProbeLine& line, const ScanCandidate& answered, bool& spoiled) {
    const std::uint64_t evidence = line.Evidence();
    spoiled = false;
    line.TakeFastestUs();
    if (!line.Probe(answered)) {
        return std::nullopt;
    }
    FoundController found{answered, std::nullopt, false, line.Model()};
    const std::optional<std::optional<ScanCandidate>> held = line.ReadHeld(answered);
    if (!held) {
        return std::nullopt;
    }
    if (line.Evidence() != evidence) {
        spoiled = true;
        return std::nullopt;
    }
    found.fasterThanLine = line.TakeFastestUs() < ProbeFloorUs(answered.line.baudRate);
    found.holds = *held;
    return found;
}

// What answered at `answered`, once Identify believes it (asked a few times, so that a line that
// copies replies still finds its controller), and whether it answers at the settings it holds too.
std::optional<FoundController> Confirm(CProbeLine& line, const ScanCandidate& answered) {
    constexpr int kAttempts = 3;
    if (!line.Use(answered.line, kPatientAnswerMs)) {
        return std::nullopt;
    }
    std::optional<FoundController> found;
    bool spoiled = true;
    for (int attempt = 0; attempt < kAttempts && spoiled; ++attempt) {
        found = Identify(line, answered, spoiled);
    }
    if (!found || !found->holds) {
        return found;
    }
    found->holdsConfirmed = *found->holds == answered ||
                            (IsOfferedBaudRate(found->holds->line.baudRate) &&
                             line.Use(found->holds->line, kPatientAnswerMs) && line.Probe(*found->holds));
    return found;
}

// The probe of `damaged` drew damaged replies: something at its address may be there behind a poor line,
// or at a parity the line cannot tell. The plan's other candidates for that address at that speed go
// first, ahead of the rest.
void BringForward(std::vector<ScanCandidate>& plan, std::size_t next, const ScanCandidate& damaged) {
    std::stable_partition(plan.begin() + static_cast<std::ptrdiff_t>(next), plan.end(),
                          [&damaged](const ScanCandidate& candidate) {
                              return candidate.address == damaged.address &&
                                     candidate.line.baudRate == damaged.line.baudRate;
                          });
}

// A valid reply from another address than the one asked came during a probe at `line`: its sender is
// noted once.
void NoteUnasked(const traffic::LineSignCounts& before, const traffic::LineSignCounts& after,
                 const LineSettings& line, std::vector<ScanResult::UnaskedReply>& unasked) {
    if (after.otherAddress == before.otherAddress || !after.lastOtherAddress) {
        return;
    }
    const std::uint8_t from = *after.lastOtherAddress;
    if (std::none_of(unasked.begin(), unasked.end(),
                     [from](const ScanResult::UnaskedReply& reply) { return reply.from == from; })) {
        unasked.push_back({line, from});
    }
}

// "19200 baud, Even, 1 stop bit; 9600 baud, None, 2 stop bits and 57600 baud, None, 1 stop bit"
std::string DescribeLines(const std::vector<LineSettings>& lines) {
    std::string text;
    for (const LineSettings& line : lines) {
        text += (text.empty() ? "" : &line == &lines.back() ? " and " : "; ") + DescribeLine(line);
    }
    return text;
}

}  // namespace

std::string DamagedRepliesText(const ScanResult& result) {
    if (result.damagedAt.empty()) {
        return {};
    }
    const std::string lines = DescribeLines(result.damagedAt);
    if (result.outcome == ScanResult::Found) {
        return "damaged replies came at " + lines + " as well: " + res::PoorLineHint();
    }
    const std::string again =
        result.damagedRetries == 0
            ? ""
            : fmt::format(" (asked again {} times in all, waiting {} ms: no valid reply)",
                          result.damagedRetries, kPatientAnswerMs);
    return "damaged replies at " + lines + again + ": " + res::DamagedScanHint();
}

std::string NoValidReplyText(const ScanResult& result) {
    if (traffic::Diagnose(result.signs) == traffic::LineDiagnosis::EchoOnly) {
        return res::EchoOnlyScanHint();
    }
    std::string text = DamagedRepliesText(result);
    for (const ScanResult::UnaskedReply& reply : result.unasked) {
        text += fmt::format("{}replies from address {} (at {}) came to requests for other addresses: {}",
                            text.empty() ? "" : "; ", unsigned{reply.from}, DescribeLine(reply.line),
                            res::UnaskedRepliesHint());
    }
    return text;
}

ScanResult CScanEngine::Run(const std::string& devicePath, const std::vector<ScanCandidate>& candidates,
                            IScanObserver& observer) {
    ScanResult result;
    CLateEvidence evidence(m_options.tap);
    CProbeLine line(&evidence, m_options.openingStop);
    // A port opening stopped on request (see ScanOptions::openingStop) is a cancelled scan.
    const auto portFailed = [&result] {
        result.error = platform::GetLastError();
        result.outcome =
            result.error == platform::kErrorInterrupted ? ScanResult::Cancelled : ScanResult::PortFailed;
        return result;
    };
    if (!line.Open(devicePath, m_options.framing,
                   candidates.empty() ? kFactorySettings : candidates.front())) {
        return portFailed();
    }
    result.framing = line.Framing();
    std::optional<LineSettings> foundAt;
    std::vector<ScanCandidate> plan = candidates;
    std::size_t next = 0;  // the plan's next candidate
    // Sends one probe; false only when the port failed.
    const auto probe = [&](const ScanCandidate& candidate, std::uint32_t answerMs) {
        // Probes asked again come on top of the plan.
        observer.OnProbe({result.tried, plan.size() + result.tried + 1 - next, candidate});
        if (!line.Use(candidate.line, answerMs)) {
            return false;
        }
        ++result.tried;
        evidence.Sent(candidate);
        if (line.Probe(candidate)) {
            if (std::optional<FoundController> found = Confirm(line, candidate)) {
                result.found.push_back(*found);
                result.outcome = ScanResult::Found;
                foundAt = candidate.line;
            } else {
                evidence.Stray(candidate.address);
            }
        }
        return !line.Failed();
    };
    while (next < plan.size()) {
        if (m_cancelled) {
            result.outcome = ScanResult::Cancelled;
            return result;
        }
        if (foundAt && !m_options.everyController) {
            break;
        }
        const ScanCandidate candidate = plan[next++];
        const traffic::LineSignCounts before = line.Signs();
        const std::uint64_t damaged = before.damaged;
        if (!probe(candidate, m_options.answerMs)) {
            return portFailed();
        }
        NoteUnasked(before, line.Signs(), candidate.line, result.unasked);
        // The first damaged reply at a line setting: a poor line lets some replies through, so that
        // probe is asked again at once with a patient wait, and its address at that speed goes first.
        const bool firstDamageHere =
            line.Signs().damaged != damaged && std::find(result.damagedAt.begin(), result.damagedAt.end(),
                                                         candidate.line) == result.damagedAt.end();
        if (firstDamageHere) {
            result.damagedAt.push_back(candidate.line);
            for (int retry = 0; retry < kDamagedRetries && !foundAt && !m_cancelled; ++retry) {
                ++result.damagedRetries;
                if (!probe(candidate, kPatientAnswerMs)) {
                    return portFailed();
                }
            }
            BringForward(plan, next, candidate);
        }
        // Asking a suspect again may show more late replies; each probe is a suspect once.
        for (std::vector<ScanCandidate> suspects = evidence.TakeSuspects(); !suspects.empty() && !foundAt;
             suspects = evidence.TakeSuspects()) {
            for (const ScanCandidate& suspect : suspects) {
                if (!foundAt && !probe(suspect, kPatientAnswerMs)) {
                    return portFailed();
                }
            }
        }
    }
    result.signs = line.Signs();
    return result;
}
