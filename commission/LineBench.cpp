#include "commission/LineBench.h"

#include <fmt/format.h>

#include <functional>

#include "commission/BusCheck.h"
#include "device/ControllerFacts.h"
#include "device/EventWait.h"
#include "device/Refusals.h"
#include "device/UnsavedSettings.h"
#include "platform/LastError.h"
#include "platform/SystemText.h"
#include "res/Strings.h"

namespace {

// The procedure's view on a bench: its steps passed on, its end kept.
class ProcedureEnd : public IWriteProcedureView {
public:
    explicit ProcedureEnd(std::function<void(const std::string&)> onStep) : m_onStep(std::move(onStep)) {}
    void OnStatusText(const std::string& text) override { m_onStep(text); }
    void OnDone() override { m_ended = true; }
    void OnVerificationFailed(const std::string& message) override { Fail(kBenchMismatch, message); }
    void OnRejected(const std::string& message) override { Fail(kBenchRefused, message); }

    bool m_ended = false;
    StepCode m_code = kBenchOk;
    std::string m_failure;

private:
    void Fail(StepCode code, const std::string& message) {
        m_ended = true;
        m_code = code;
        m_failure = message;
    }
    std::function<void(const std::string&)> m_onStep;
};

StepCode CodeOf(const EventWaitEnd& end) {
    switch (end.kind) {
        case EventWaitEnd::Done:
            return kBenchOk;
        case EventWaitEnd::TimedOut:
            return kBenchTimedOut;
        case EventWaitEnd::Stopped:
            return kBenchStopped;
        case EventWaitEnd::PortFailed:
            return kBenchPortFailed;
        case EventWaitEnd::Refused:
            return kBenchRefused;
    }
    return kBenchPortFailed;
}

}  // namespace

std::string CLineBench::PortFailure(std::uint32_t code) const {
    std::string text = platform::SystemErrorText(code);
    text.erase(text.find_last_not_of(" \r\n.") + 1);
    return fmt::format("{}: {}; check that no other program holds the port", m_recipe.port, text);
}

StepCode CLineBench::Fail(StepCode code, std::string text) {
    m_failure = std::move(text);
    return code;
}

StepCode CLineBench::Open(CDeviceConnection& connection, const ScanCandidate& at) {
    ConnectionRecipe recipe = m_recipe;
    if (!recipe.openingLimitMs) {
        recipe.openingLimitMs = static_cast<std::uint32_t>(m_timeoutSeconds * 1000);
    }
    switch (connection.Open(recipe, {at.line.baudRate, at.line.modeIndex, at.address})) {
        case OpenStep::Opened:
            return kBenchOk;
        case OpenStep::PortNotOpened:
            return Fail(kBenchOpenFailed, PortFailure(platform::GetLastError()));
        case OpenStep::Rs485NotOn:
            return Fail(kBenchOpenFailed,
                        fmt::format("{}: the RS-485 mode could not be turned on", m_recipe.port));
        case OpenStep::GatewayDropped:
            return Fail(kBenchPortFailed, GatewayDroppedText(m_recipe.port, platform::GetLastError()));
        case OpenStep::NotStarted:
            break;
    }
    return Fail(kBenchPortFailed, PortFailure(platform::GetLastError()));
}

StepCode CLineBench::Ask(const ScanCandidate& at, bool& answers, std::optional<std::uint16_t>& model) {
    const BusAnswer answer = AskBus(m_recipe, at);
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
    if (const StepCode code = Open(connection, from); code != kBenchOk) {
        return code;
    }
    CArdeno& controller = connection.Controller();
    controller.RequireConfirmation();
    CRefusals refusals(controller);
    std::pair<int, int> version;
    const EventWaitEnd read = WaitForEvents(connection.Events(), DeadlineIn(m_timeoutSeconds),
                                            {.done = [&] { return controller.GetVersion(version); },
                                             .stop = [this] { return StopRequested(); },
                                             .refusals = &refusals});
    if (read.kind != EventWaitEnd::Done) {
        return Fail(CodeOf(read), read.kind == EventWaitEnd::Refused
                                      ? read.refusal
                                      : std::string("the firmware version could not be read"));
    }
    firmware = static_cast<std::uint16_t>(version.first * 100 + version.second);

    ProcedureEnd end([this](const std::string& text) { OnWriteStep(text); });
    CWriteProcedure procedure(
        controller, {to.line.baudRate, to.address, CommModeTable.at(to.line.modeIndex).m_mode}, end);
    procedure.Start();
    // A refusal that stays ends the write at once: asking again changes nothing.
    const EventWaitEnd written = WaitForEvents(connection.Events(), DeadlineIn(m_timeoutSeconds),
                                               {.done = [&] { return end.m_ended; },
                                                .stop = [this] { return AbortWrite(); },
                                                .onEvent =
                                                    [&](const DeviceEvent& event) {
                                                        if (event.success) {
                                                            procedure.OnVarUpdated(event.id);
                                                        }
                                                    },
                                                .refusals = &refusals});
    if (written.kind != EventWaitEnd::Done) {
        // What a write that stopped early left in the unit, so that the operator can set it right.
        std::string text =
            written.kind == EventWaitEnd::Refused
                ? written.refusal
                : fmt::format("the write did not finish (last step: {})", procedure.GetStatusText());
        if (const std::string left =
                UnsavedSettingsText(procedure.GetConfig(), procedure.UnsavedWrites(),
                                    res::LoadString(CommModeTable.at(to.line.modeIndex).m_nameId));
            !left.empty()) {
            text += "; " + left;
        }
        return Fail(CodeOf(written), std::move(text));
    }
    return end.m_code == kBenchOk ? kBenchOk : Fail(end.m_code, end.m_failure);
}

StepCode CLineBench::ReadBack(const ScanCandidate& at, bool& holds) {
    CDeviceConnection connection;
    if (const StepCode code = Open(connection, at); code != kBenchOk) {
        return code;
    }
    CArdeno& controller = connection.Controller();
    CRefusals refusals(controller);
    unsigned char address = 0;
    unsigned long baudRate = 0;
    CArdeno::ECommModeSetting mode{};
    const EventWaitEnd read = WaitForEvents(connection.Events(), DeadlineIn(m_timeoutSeconds),
                                            {.done =
                                                 [&] {
                                                     return controller.GetAddress(address) &&
                                                            controller.GetBaudRate(baudRate) &&
                                                            controller.GetCommMode(mode);
                                                 },
                                             .stop = [this] { return StopRequested(); },
                                             .refusals = &refusals});
    holds = read.kind == EventWaitEnd::Done && address == at.address && baudRate == at.line.baudRate &&
            mode == CommModeTable.at(at.line.modeIndex).m_mode;
    if (read.kind == EventWaitEnd::Done) {
        return kBenchOk;
    }
    return Fail(CodeOf(read), read.kind == EventWaitEnd::Refused
                                  ? read.refusal
                                  : std::string("the unit could not be read after its restart"));
}
