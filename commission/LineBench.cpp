#include "commission/LineBench.h"

#include <fmt/format.h>

#include <chrono>
#include <functional>

#include "commission/BusCheck.h"
#include "device/ControllerFacts.h"
#include "device/DeviceConnection.h"
#include "platform/LastError.h"
#include "platform/SystemText.h"

namespace {

constexpr std::chrono::milliseconds kStopCheck{100};

// The port open at `at`, its controller polled.
bool Open(CDeviceConnection& connection, const std::string& port, const ScanCandidate& at) {
    return connection.OpenPort({port, at.line.baudRate, at.line.modeIndex, at.address, std::nullopt}) &&
           connection.Start();
}

// Passes the device's successes on until `done`, the time is up, the port fails or Stop.
StepCode Drive(CDeviceConnection& connection, double timeoutSeconds, const std::atomic<bool>& stop,
               const std::function<bool()>& done, const std::function<void(int)>& onSuccess) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                               std::chrono::duration<double>(timeoutSeconds));
    while (!done()) {
        if (stop.load()) {
            return kBenchStopped;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            return kBenchTimedOut;
        }
        const auto event = connection.Events().WaitUntil(std::min(deadline, now + kStopCheck));
        if (event && event->kind == DeviceEvent::DeviceError) {
            return kBenchPortFailed;
        }
        if (event && event->success) {
            onSuccess(event->id);
        }
    }
    return kBenchOk;
}

// The procedure's view on a bench: its steps passed on, its end kept.
class CProcedureEnd : public IWriteProcedureView {
public:
    explicit CProcedureEnd(std::function<void(const std::string&)> onStep) : m_onStep(std::move(onStep)) {}
    void OnStatusText(const std::string& text) override { m_onStep(text); }
    void OnDone() override { m_ended = true; }
    void OnVerificationFailed(const std::string& message) override { Refuse(message); }
    void OnRejected(const std::string& message) override { Refuse(message); }

    bool m_ended = false;
    std::string m_refusal;

private:
    void Refuse(const std::string& message) {
        m_ended = true;
        m_refusal = message;
    }
    std::function<void(const std::string&)> m_onStep;
};

}  // namespace

std::string CLineBench::PortFailure(std::uint32_t code) const {
    std::string text = platform::SystemErrorText(code);
    text.erase(text.find_last_not_of(" \r\n.") + 1);
    return fmt::format("{}: {}; check that no other program holds the port", m_port, text);
}

StepCode CLineBench::Fail(StepCode code, std::string text) {
    m_failure = std::move(text);
    return code;
}

StepCode CLineBench::Ask(const ScanCandidate& at, bool& answers, std::optional<std::uint16_t>& model) {
    const BusAnswer answer = AskBus(m_port, at);
    if (answer.portFailed) {
        return Fail(kBenchPortFailed, PortFailure(answer.error));
    }
    answers = answer.found.has_value();
    model = answers ? answer.found->model : std::nullopt;
    return kBenchOk;
}

StepCode CLineBench::Write(const ScanCandidate& from, const ScanCandidate& to,
                           std::optional<std::uint16_t>& firmware) {
    CDeviceConnection connection;
    if (!Open(connection, m_port, from)) {
        return Fail(kBenchPortFailed, PortFailure(platform::GetLastError()));
    }
    CArdeno& controller = connection.Controller();
    controller.RequireConfirmation();
    std::pair<int, int> version;
    if (const StepCode code = Drive(
            connection, m_timeoutSeconds, m_stop, [&] { return controller.GetVersion(version); }, [](int) {});
        code != kBenchOk) {
        return Fail(code, "the firmware version could not be read");
    }
    firmware = static_cast<std::uint16_t>(version.first * 100 + version.second);

    CProcedureEnd end([this](const std::string& text) { OnWriteStep(text); });
    CWriteProcedure procedure(
        controller, {to.line.baudRate, to.address, CommModeTable.at(to.line.modeIndex).m_mode}, end);
    procedure.Start();
    // Stop is not heeded inside the write: leaving it half done would leave the unit's settings unknown.
    const std::atomic<bool> never{false};
    if (const StepCode code = Drive(
            connection, m_timeoutSeconds, never, [&] { return end.m_ended; },
            [&](int id) { procedure.OnVarUpdated(id); });
        code != kBenchOk) {
        return Fail(code, fmt::format("the write did not finish (last step: {})", procedure.GetStatusText()));
    }
    return end.m_refusal.empty() ? kBenchOk : Fail(kBenchRefused, end.m_refusal);
}

StepCode CLineBench::ReadBack(const ScanCandidate& at, bool& holds) {
    CDeviceConnection connection;
    if (!Open(connection, m_port, at)) {
        return Fail(kBenchPortFailed, PortFailure(platform::GetLastError()));
    }
    CArdeno& controller = connection.Controller();
    unsigned char address = 0;
    unsigned long baudRate = 0;
    CArdeno::ECommModeSetting mode{};
    const StepCode code = Drive(
        connection, m_timeoutSeconds, m_stop,
        [&] {
            return controller.GetAddress(address) && controller.GetBaudRate(baudRate) &&
                   controller.GetCommMode(mode);
        },
        [](int) {});
    holds = code == kBenchOk && address == at.address && baudRate == at.line.baudRate &&
            mode == CommModeTable.at(at.line.modeIndex).m_mode;
    return code == kBenchOk ? code : Fail(code, "the unit could not be read after its restart");
}
