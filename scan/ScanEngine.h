#pragma once
// The search for a controller with unknown line settings and address. It probes the candidates in
// order with a harmless read (the model register), each waiting only until the reply's first byte is
// due at the line speed, and reconfigures the one open port between line settings. Nothing waits out a
// late reply between probes: a late reply is evidence (see LateEvidence.h) and its probe is asked again
// with a longer wait. Something that answered counts only once it answers again at that line setting
// with a patient wait and its settings registers (33 to 35, one per request) read: a late reply to a
// probe at another speed cannot do that. It then tries the settings the controller holds, because the
// line cannot always tell parity apart and saved settings may wait for a restart; a held speed the tool
// does not offer (4800, 0) is reported but never tried. The line settings at which damaged replies came
// are reported: something may answer there behind a poor line. No Qt and no windows: a view observes it.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "scan/ProbeBudget.h"
#include "scan/ScanPlan.h"
#include "traffic/Frame.h"
#include "traffic/LineSigns.h"

// A controller that answered.
struct FoundController {
    ScanCandidate answered;              // the probe that it answered
    std::optional<ScanCandidate> holds;  // what its registers 33 to 35 say; empty when unreadable
    bool holdsConfirmed = false;         // it also answered at `holds`
    std::optional<std::uint16_t> model;  // its model register, when it answered with a value
    // Its replies came faster than the line speed allows: the line is not the wire it claims to be (a
    // pseudo-terminal or a network gateway), so the speed found is only the one the far end expects.
    bool fasterThanLine = false;

    // The settings to connect with: those it holds once confirmed, otherwise those it answered at.
    const ScanCandidate& Working() const { return holdsConfirmed ? *holds : answered; }
    // It holds settings it does not answer at yet (saved, waiting for a restart).
    bool HoldsOtherSettings() const { return holds && !holdsConfirmed && *holds != answered; }
};

struct ScanResult {
    enum EOutcome { Found, NothingAnswered, Cancelled, PortFailed };
    EOutcome outcome = NothingAnswered;
    std::vector<FoundController> found;  // also those found before a cancel
    std::uint32_t error = 0;             // the port's error when PortFailed
    std::size_t tried = 0;               // probes sent, those asked again included
    // The line settings at which damaged replies came (bad checksums, short or garbled frames), in the
    // order seen: something may answer there behind a poor line, or at a parity the line cannot tell.
    std::vector<LineSettings> damagedAt;
    // Probes asked again, each with a patient wait, because their first reply came damaged.
    std::size_t damagedRetries = 0;
    // Valid replies from an address other than the one asked, each sender once, where first seen.
    struct UnaskedReply {
        LineSettings line;
        std::uint8_t from = 0;
    };
    std::vector<UnaskedReply> unasked;
    // What the line did over the whole scan, once it ran to its end.
    traffic::LineSignCounts signs;
    std::optional<traffic::Framing> framing{};  // how frames were laid out, when chosen or found out
};

struct ScanProgress {
    std::size_t tried = 0;  // probes before this one
    std::size_t total = 0;
    ScanCandidate current;
};

// Told on the scanning thread; must return quickly.
class IScanObserver {
public:
    // The next probe is about to go out.
    virtual void OnProbe(const ScanProgress& progress) = 0;

protected:
    ~IScanObserver() = default;
};

struct ScanOptions {
    std::uint32_t answerMs = kControllerAnswerMs;  // the controller's answer time in the probe budget
    // After a controller answered, go on through the whole plan and report every controller found.
    // Otherwise the scan ends with the first one.
    bool everyController = false;
    // Told every frame of the scan, on the scanning thread; not owned.
    traffic::IFrameObserver* tap = nullptr;
    // Raised from elsewhere (a signal handler), ends the port's opening at once, with the outcome
    // Cancelled; not owned. Cancel() is for the probes after it.
    const std::atomic<bool>* openingStop = nullptr;
    // How frames are laid out; empty: RTU, or found out on a tcp:// port at the first candidate's
    // address (see GatewayProbe.h).
    std::optional<traffic::Framing> framing{};
};

// "damaged replies at 19200 baud, Even, 1 stop bit and 9600 baud, None, 2 stop bits (asked again 3 times,
// waiting 150 ms: no valid reply): a controller may be there behind a bad line: …"; for a scan that found
// a controller, "damaged replies came at … as well: the line is poor: …"; empty when no damaged reply came.
std::string DamagedRepliesText(const ScanResult& result);

// Why no controller was found although bytes came back: the damaged replies (DamagedRepliesText) and
// "replies from address 17 (at 19200 baud, Even, 1 stop bit) came to requests for other addresses: …",
// or that only the adapter's own echo came back; empty when nothing came back.
std::string NoValidReplyText(const ScanResult& result);

class CScanEngine {
public:
    explicit CScanEngine(ScanOptions options = {}) : m_options(options) {}

    // Opens the port, tries the candidates in order and closes the port again.
    ScanResult Run(const std::string& devicePath, const std::vector<ScanCandidate>& candidates,
                   IScanObserver& observer);
    // From any thread: the scan ends before its next probe, with the outcome Cancelled.
    void Cancel() { m_cancelled = true; }

private:
    ScanOptions m_options;
    std::atomic<bool> m_cancelled{false};
};
