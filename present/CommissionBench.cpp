#include "present/CommissionBench.h"

#include <chrono>
#include <thread>

#include "present/CommissionRun.h"

CViewBench::CViewBench(ConnectionRecipe recipe, std::unique_ptr<CUnitLog> log, ViewCalls calls)
    : CLineBench(std::move(recipe), kStepTimeoutSeconds), m_log(std::move(log)), m_calls(std::move(calls)) {}

StepCode CViewBench::ReadBack(const ScanCandidate& at, bool& holds) {
    const StepCode code = CLineBench::ReadBack(at, holds);
    if (code == kBenchOk && holds) {
        m_calls.verified(at);
    }
    return code;
}

void CViewBench::Pause() {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPollPauseMs);
    while (!StopRequested() && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

bool CViewBench::Record(const UnitRecord& record) {
    m_calls.record(record);
    if (m_log == nullptr || m_log->Append(record)) {
        return true;
    }
    m_logFailure = LogNotKeptText(m_log->Failure());
    return false;
}

std::string CViewBench::Failure() const {
    return m_logFailure.empty() ? FailureText() : m_logFailure;
}
