#pragma once
// The guarded write of new communication settings: write the three settings, read each one back and
// compare, command a save, then wait until the controller reports that the save is over. It has no
// timer and no window: it advances only on the device's success notifications, and reports to a view,
// so that the progress dialog and the command-line tool show the same procedure.
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "device/Ardeno.h"

// The settings to write, as chosen by the operator.
struct CommConfig {
    std::uint32_t m_baudRate = 0;
    std::uint8_t m_address = 0;
    CArdeno::ECommModeSetting m_mode = CArdeno::ModeEven1Stop;
};

// What the procedure tells its view, on the thread that drives it.
class IWriteProcedureView {
public:
    // The status line changed (one of "Writing configuration...", ..., "Done").
    virtual void OnStatusText(const std::string& text) = 0;
    // The save is confirmed: the procedure ended successfully.
    virtual void OnDone() = 0;
    // A setting read back differently; the text names it. No save command was queued.
    virtual void OnVerificationFailed(const std::string& message) = 0;
    // The device refused one of the values; nothing after it was queued.
    virtual void OnRejected(const std::string& message) = 0;

protected:
    ~IWriteProcedureView() = default;
};

class CWriteProcedure {
public:
    enum EWriteState {
        StateIdle = 0,
        StateWriting = 1,
        StateVerifying = 2,
        StateSaving = 3,
        StateWaiting = 4,
        StateFinished = 5,
    };

    // A read-back check: false while no accepted value is available; otherwise true with matches set.
    struct ParamVerifier {
        unsigned m_nameId;
        std::function<bool(bool& matches)> m_verify;
    };

    CWriteProcedure(CArdeno& controller, const CommConfig& config, IWriteProcedureView& view);
    CWriteProcedure(const CWriteProcedure&) = delete;
    CWriteProcedure& operator=(const CWriteProcedure&) = delete;

    // Queues the writes of address, baud rate and mode, in that order. The caller listens to the
    // controller before this, so that no notification of these writes can be missed.
    void Start();
    // A variable's register exchange succeeded. Failed exchanges must not be passed in: they are
    // retried by the device and change nothing here.
    void OnVarUpdated(int id);

    EWriteState GetState() const { return m_state; }
    bool IsFinished() const { return m_state == StateFinished; }
    const std::string& GetStatusText() const { return m_statusText; }
    const CommConfig& GetConfig() const { return m_config; }
    // The settings' output variables whose write went through while no save has been commanded yet:
    // if the procedure stops here, they hold new values that vanish at the controller's next restart.
    std::vector<int> UnsavedWrites() const;

private:
    bool QueueWrites();
    void SetupVerifiers();
    void OnWriteReported(int id);
    void OnReadBack(int id);
    void OnSaveWritten(int id);
    void OnStatusRead(int id);
    void SetStatus(unsigned stringId);

    CArdeno& m_controller;
    const CommConfig m_config;
    IWriteProcedureView& m_view;
    std::set<int> m_pending;                   // writes not yet reported
    std::map<int, ParamVerifier> m_verifiers;  // keyed by the read-back variable's id
    EWriteState m_state = StateIdle;
    std::string m_statusText;
};
