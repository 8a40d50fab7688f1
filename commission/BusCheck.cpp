#include "commission/BusCheck.h"

namespace {

// A unit on a bench may answer slowly; one probe more or less does not matter here.
constexpr std::uint32_t kPatientAnswerMs = 100;

class CNoProgress : public IScanObserver {
public:
    void OnProbe(const ScanProgress& /*progress*/) override {}
};

}  // namespace

BusAnswer AskBus(const ConnectionRecipe& recipe, const ScanCandidate& at) {
    CNoProgress progress;
    const ScanOptions options{.answerMs = kPatientAnswerMs,
                              .tap = recipe.trace,
                              .openingStop = recipe.openingStop,
                              .framing = recipe.framing};
    const ScanResult result = CScanEngine(options).Run(recipe.port, {at}, progress);
    BusAnswer answer;
    answer.portFailed = result.outcome == ScanResult::PortFailed;
    answer.error = result.error;
    if (result.outcome == ScanResult::Found) {
        answer.found = result.found.front();
    }
    return answer;
}
