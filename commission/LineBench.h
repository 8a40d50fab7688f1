#pragma once
// The steps of a commissioning bench on one port, with no terminal and no window: ask the bus, read the
// firmware and run the guarded write to its end, read a unit back. Every connection is opened as the
// operator's recipe says (reply time, echo, RS-485, trace, opening limit), so the bench talks to the
// line as the operator's own connection did. A front end's bench is this plus its prompts, its records
// and its stop; each step opens the port at the settings it needs and closes it again, so the bench
// holds the port only while a step runs.
#include <atomic>
#include <string>

#include "commission/Commissioning.h"
#include "device/DeviceConnection.h"
#include "device/WriteProcedure.h"

// Why a step failed (the step's code).
enum EBenchStep : StepCode {
    kBenchOk = 0,
    kBenchOpenFailed,  // the port did not open (its own report has said why)
    kBenchPortFailed,
    kBenchTimedOut,
    kBenchStopped,
    kBenchRefused,   // the controller refused a request
    kBenchMismatch,  // the settings read back after the write are not those written
};

class CLineBench : public ICommissionBench {
public:
    // A step that waits for the controller gives up after `timeoutSeconds`.
    CLineBench(ConnectionRecipe recipe, double timeoutSeconds)
        : m_recipe(std::move(recipe)), m_timeoutSeconds(timeoutSeconds) {}

    StepCode Ask(const ScanCandidate& at, bool& answers, std::optional<std::uint16_t>& model) override;
    StepCode Write(const ScanCandidate& from, const ScanCandidate& to,
                   std::optional<std::uint16_t>& firmware) override;
    StepCode ReadBack(const ScanCandidate& at, bool& holds) override;
    bool StopRequested() override { return m_stop.load(); }

    // Stop: the run ends at the next step it may end at. Safe from any thread.
    void RequestStop() { m_stop = true; }
    // Why the last failed step failed, for the operator.
    const std::string& FailureText() const { return m_failure; }

protected:
    ~CLineBench() = default;
    // The write procedure's steps as they are reached.
    virtual void OnWriteStep(const std::string& text) = 0;
    // Whether to leave a write half done: never, unless the operator insists (a front end may ask
    // twice), since that leaves the unit's settings unknown.
    virtual bool AbortWrite() { return false; }

private:
    StepCode Open(CDeviceConnection& connection, const ScanCandidate& at);
    StepCode Fail(StepCode code, std::string text);
    std::string PortFailure(std::uint32_t code) const;

    const ConnectionRecipe m_recipe;
    const double m_timeoutSeconds;
    std::atomic<bool> m_stop{false};
    std::string m_failure;
};
