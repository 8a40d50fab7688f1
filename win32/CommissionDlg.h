#pragma once
// Commissioning from the window: the first address, how many units, the line settings they get and the
// log file (typed or browsed for, with where a relative one will be); a list of the units done, the prompt
// of the moment in large text, Stop and Close. The fields of the last run started are shown again. The run
// goes on a thread of its own, which only posts to this dialog; it never touches a window.
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <variant>

#include "commission/Commissioning.h"
#include "device/DeviceConnection.h"
#include "present/CommissionBench.h"
#include "present/CommissionForm.h"
#include "win32/DialogWindow.h"

class CCommissionDlg : public CDialogWindow {
public:
    // New units answer on the recipe's port at `factory`: the settings of the window's connection.
    // `remembered`: where the fields of the last run started are kept (shown again, replaced at Start);
    // none: the dialog starts from the connection's settings and keeps nothing.
    CCommissionDlg(ConnectionRecipe recipe, const ScanCandidate& factory,
                   ISettingsStore* remembered = nullptr);
    // Stops a run still going and waits for its end.
    ~CCommissionDlg() override;

    // Where the last unit done answers now: for the connection that follows.
    const std::optional<ScanCandidate>& LastDone() const { return m_lastDone; }

private:
    // What the run's thread hands over, in order.
    struct Ended {
        CommissionEnd end;
        std::string failure;
    };
    using Note = std::variant<std::string, UnitRecord, ScanCandidate, Ended>;

    bool OnInitDialog() override;
    void OnCommand(int id, int code, HWND control) override;
    // Escape and the close box stop a run and then close.
    void OnCancel() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

    void ShowFields(const CommissionFields& fields);
    void ShowLogNote();
    void OnBrowse();
    void Start();
    void Stop();
    void Post(Note note);  // run thread
    void TakeNotes();
    void AddRow(const UnitRecord& record);
    void OnRunEnded(const Ended& ended);
    void EnableFields(bool enabled);
    void Join();

    const ConnectionRecipe m_recipe;
    const ScanCandidate m_factory;
    ISettingsStore* const m_remembered;
    std::unique_ptr<CViewBench> m_bench;
    std::thread m_run;
    std::optional<ScanCandidate> m_lastDone;
    bool m_closeWhenEnded = false;
    HWND m_window = nullptr;
    HFONT m_promptFont = nullptr;
    std::mutex m_lock;
    std::deque<Note> m_notes;
};
