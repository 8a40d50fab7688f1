#pragma once
// What the write dialog shows and decides, with no toolkit: the procedure's status line as it is
// reached, how the write ended and what the operator reads about it, and the question Cancel asks. The
// device's updates reach it on the thread that owns it (a window posts them there). A refusal that
// stays ends the write at once, naming the exception, as every front end ends it.
#include <functional>
#include <string>

#include "device/DeviceEventQueue.h"
#include "device/Refusals.h"
#include "device/WriteProcedure.h"

class WriteProgress : private IWriteProcedureView {
public:
    enum class End {
        Running,
        Done,
        Mismatch,  // a setting read back differently; nothing saved
        Refused,   // the controller answered a request with an exception
        Rejected,  // the device refused a value before sending it
    };

    // `changed`: told after every change of the status line or the end, on the owning thread.
    WriteProgress(CArdeno& controller, const CommConfig& config, std::function<void()> changed);

    void Start() { m_procedure.Start(); }
    // One update of a device variable (a failed one carries its error code).
    void OnUpdate(const DeviceEvent& event);

    const std::string& StatusText() const { return m_procedure.GetStatusText(); }
    End Ended() const { return m_end; }
    // What the operator reads about a Mismatch, Refused or Rejected end.
    const std::string& Message() const { return m_message; }
    // The first line: "From <the controller's own settings>\nto <the new ones>" (each phrase on a line of
    // its own, to be read at a glance), or only "To ..." while the controller's are not all known.
    const std::string& Headline() const { return m_headline; }
    // The question Cancel asks before leaving a write half done, and its answers: the default one goes
    // on writing.
    static std::string CancelQuestion();
    static std::string StopAnswer() { return "Stop writing"; }
    static std::string GoOnAnswer() { return "Go on writing"; }
    // Told once the question has closed itself because the write ended while it was open.
    static std::string EndedWhileAskedNote() {
        return "The write ended while you were asked; nothing was stopped.";
    }
    // Whether a confirmed Cancel still ends the write: it may have ended while the question was open.
    bool CancelEnds() const { return m_end == End::Running && !m_procedure.IsFinished(); }

    const CWriteProcedure& Procedure() const { return m_procedure; }

private:
    void OnStatusText(const std::string& text) override;
    void OnDone() override { Finish(End::Done, {}); }
    void OnVerificationFailed(const std::string& message) override { Finish(End::Mismatch, message); }
    void OnRejected(const std::string& message) override { Finish(End::Rejected, message); }
    void Finish(End end, const std::string& message);

    CWriteProcedure m_procedure;
    CRefusals m_refusals;
    std::function<void()> m_changed;
    std::string m_headline;
    End m_end = End::Running;
    std::string m_message;
};
