#include "commission/BusCheck.h"

namespace {

// A unit on a bench may answer slowly; one probe more or less does not matter here.
constexpr ScanOptions kPatient{.answerMs = 100};

class CNoProgress : public IScanObserver {
public:
    void OnProbe(const ScanProgress& /*progress*/) override {}
};

}  // namespace

BusAnswer AskBus(const std::string& devicePath, const ScanCandidate& at) {
    CNoProgress progress;
    const ScanResult result = CScanEngine(kPatient).Run(devicePath, {at}, progress);
    BusAnswer answer;
    answer.portFailed = result.outcome == ScanResult::PortFailed;
    answer.error = result.error;
    if (result.outcome == ScanResult::Found) {
        answer.found = result.found.front();
    }
    return answer;
}
