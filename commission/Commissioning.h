#pragma once
// Commissioning many factory-fresh controllers, one after another. For each unit: wait until a
// controller answers at the factory settings, find the next address that nothing answers at on the
// target settings, write the address and the target settings (verified and saved), ask for the
// restart, wait until the unit answers at its new settings and read it there, then ask for the next
// controller. Every unit gets a record. Detection is by polling, so a bench runs unattended. No Qt and
// no terminal: the bench the steps run on and the operator are behind ICommissionBench, as the
// command-line tool or a window provides them.
#include <cstdint>
#include <optional>
#include <string>

#include "commission/UnitLog.h"
#include "scan/ScanPlan.h"

struct CommissionPlan {
    ScanCandidate factory = kFactorySettings;  // where new units answer
    LineSettings target;                       // the line settings they get
    std::uint8_t firstAddress = 1;
    unsigned count = 1;
};

// A step's result: 0 when it succeeded, otherwise the bench's own code for why it did not.
using StepCode = int;
// The run's own codes: every address from the first one on is taken; a unit's record could not be
// kept (the run ends before the next unit is touched).
inline constexpr StepCode kNoFreeAddress = -1;
inline constexpr StepCode kRecordNotKept = -2;

class ICommissionBench {
public:
    // Whether a controller answers at `at` (a port failure is a non-zero code); fills `model` when it
    // said.
    virtual StepCode Ask(const ScanCandidate& at, bool& answers, std::optional<std::uint16_t>& model) = 0;
    // Reads the firmware version of the unit at `from`, then writes `to` with the guarded procedure.
    virtual StepCode Write(const ScanCandidate& from, const ScanCandidate& to,
                           std::optional<std::uint16_t>& firmware) = 0;
    // Reads the unit at `at`: `holds` when its settings are those.
    virtual StepCode ReadBack(const ScanCandidate& at, bool& holds) = 0;
    // The operator asked to stop; the run ends at the next step it may end at.
    virtual bool StopRequested() = 0;
    // Until a controller answers, between two asks.
    virtual void Pause() = 0;
    // A line for the operator: the prompt of the moment.
    virtual void Prompt(const std::string& text) = 0;
    // A unit's record is complete (done, or the run ended with it in hand). False when it cannot be
    // kept: the bench has shown the record elsewhere, and the run ends.
    virtual bool Record(const UnitRecord& record) = 0;

protected:
    ~ICommissionBench() = default;
};

struct CommissionEnd {
    enum EKind { Done, Stopped, Failed };
    EKind kind = Done;
    StepCode code = 0;  // the failed step's code
    unsigned unit = 0;  // the unit the run ended at
    bool inHand = false;
    std::string note;       // what happened to the unit in hand
    unsigned done = 0;      // units given their settings and recorded
    unsigned verified = 0;  // of those, the ones that answered at their new settings holding them
    unsigned skipped = 0;   // addresses passed over because a controller already answered there
};

// "commissioning: 3 units done, 2 addresses skipped (taken), unit 4 failed; log: /home/op/site.csv": how
// the run ended, for its last line. `logPath` is empty when no log was kept.
std::string CommissionSummary(const CommissionEnd& end, const std::string& logPath);

// The address the last unit gets when none on the way is taken; past kLastAddress the plan cannot be
// carried out.
unsigned LastAddressNeeded(const CommissionPlan& plan);

// Why a plan cannot be carried out, before any unit is touched.
enum class PlanFault {
    None,
    // On the same line settings, a unit given the address new units answer at would pass for the next
    // new unit.
    FactoryAddressInRange,
    PastLastAddress,  // LastAddressNeeded is past kLastAddress
};
PlanFault CheckPlan(const CommissionPlan& plan);

CommissionEnd RunCommissioning(const CommissionPlan& plan, ICommissionBench& bench);
