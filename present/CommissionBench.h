#pragma once
// The bench behind a window's Commission dialog: the port's steps, with its prompts and records handed
// to the view (on the run's thread: the view only posts them to its own) and each record appended to
// the log here, off the user-interface thread. The pause between polls for a unit ends early on Stop.
#include <functional>
#include <memory>
#include <string>

#include "commission/LineBench.h"
#include "commission/UnitLog.h"

class CViewBench : public CLineBench {
public:
    // How long one step may wait for a unit, and the pause between two polls for it.
    static constexpr double kStepTimeoutSeconds = 30;
    static constexpr int kPollPauseMs = 300;

    struct ViewCalls {
        std::function<void(const std::string&)> prompt;
        std::function<void(const UnitRecord&)> record;
        std::function<void(const ScanCandidate&)> verified;  // a unit holds its new settings there
    };

    // `log` is open, or null when no log was asked for.
    CViewBench(ConnectionRecipe recipe, std::unique_ptr<CUnitLog> log, ViewCalls calls);

    StepCode ReadBack(const ScanCandidate& at, bool& holds) override;
    void Pause() override;
    void Prompt(const std::string& text) override { m_calls.prompt(text); }
    bool Record(const UnitRecord& record) override;
    // Why the run ended early, for the operator.
    std::string Failure() const;

private:
    void OnWriteStep(const std::string& text) override { m_calls.prompt(text); }

    const std::unique_ptr<CUnitLog> m_log;
    const ViewCalls m_calls;
    std::string m_logFailure;
};
