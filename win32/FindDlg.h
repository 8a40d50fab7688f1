#pragma once
// The progress of a scan for the controller: a bar, the settings being tried, and Cancel. The scan runs
// on a thread of its own, which keeps the latest progress under a lock and only posts that there is
// some; it never touches a window.
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "scan/ScanEngine.h"
#include "win32/DialogWindow.h"

class CFindDlg : public CDialogWindow, private IScanObserver {
public:
    // `tap`: told every frame of the scan, on the scan's thread; not owned.
    CFindDlg(std::string devicePath, const std::optional<ScanCandidate>& guess, traffic::IFrameObserver* tap);
    // Cancels a scan still running and waits for its end (at most one probe).
    ~CFindDlg() override;

    // Runs the scan and the dialog until the scan has ended, however it ended; then Result() tells.
    void Run(HWND owner);
    const ScanResult& Result() const { return m_result; }

private:
    // Cancel, Escape and the close box: the scan stops at its next probe, and then the dialog ends.
    void OnCancel() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void OnProbe(const ScanProgress& progress) override;  // scan thread
    void Join();

    const std::string m_devicePath;
    const std::optional<ScanCandidate> m_guess;
    CScanEngine m_engine;
    ScanResult m_result;  // written by the scan thread, read only after it has been joined
    std::thread m_worker;
    std::mutex m_lock;
    std::optional<ScanProgress> m_progress;  // the latest, not shown yet
    HWND m_window = nullptr;                 // where the scan thread posts; set before it starts
};
