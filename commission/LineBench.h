#pragma once
// The steps of a commissioning bench on one serial port, with no terminal and no window: ask the bus,
// read the firmware and run the guarded write to its end, read a unit back. A window's bench is this
// plus its prompts, its records and its Stop; each step opens the port at the settings it needs and
// closes it again, so the bench holds the port only while a step runs.
#include <atomic>
#include <string>

#include "commission/Commissioning.h"
#include "device/WriteProcedure.h"

// Why a step failed (the step's code).
enum EBenchStep : StepCode { kBenchOk = 0, kBenchPortFailed, kBenchTimedOut, kBenchStopped, kBenchRefused };

class CLineBench : public ICommissionBench {
public:
    CLineBench(std::string port, double timeoutSeconds)
        : m_port(std::move(port)), m_timeoutSeconds(timeoutSeconds) {}

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

private:
    StepCode Fail(StepCode code, std::string text);
    std::string PortFailure(std::uint32_t code) const;

    const std::string m_port;
    const double m_timeoutSeconds;
    std::atomic<bool> m_stop{false};
    std::string m_failure;
};
