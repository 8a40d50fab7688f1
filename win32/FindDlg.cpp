#include "win32/FindDlg.h"

#include <utility>

#include "present/FindProgress.h"
#include "win32/resource.h"

CFindDlg::CFindDlg(std::string devicePath, const std::optional<ScanCandidate>& guess,
                   traffic::IFrameObserver* tap)
    : CDialogWindow(IDD_FIND),
      m_devicePath(std::move(devicePath)),
      m_guess(guess),
      m_engine(ScanOptions{.tap = tap}) {}

CFindDlg::~CFindDlg() {
    m_engine.Cancel();
    Join();
}

void CFindDlg::Join() {
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

void CFindDlg::Run(HWND owner) {
    if (!Create(owner)) {
        m_result.outcome = ScanResult::Cancelled;  // nothing was tried
        return;
    }
    m_window = Handle();
    m_worker = std::thread([this] {
        m_result = m_engine.Run(m_devicePath, PlanScanOn(m_devicePath, m_guess), *this);
        PostMessageW(m_window, WM_WORKER_ENDED, 0, 0);
    });
    EnableWindow(owner, FALSE);
    ShowWindow(Handle(), SW_SHOW);
    Pump([this] { return Ended(); });
    EnableWindow(owner, TRUE);
    // A quit request ends the loop at once, perhaps with the scan still going: stop it, so that the
    // result is read only once the scan thread has ended.
    m_engine.Cancel();
    Join();
    DestroyWindow(Handle());
}

void CFindDlg::OnCancel() {
    m_engine.Cancel();
    Enable(IDCANCEL, false);
}

void CFindDlg::OnProbe(const ScanProgress& progress) {
    bool first = false;
    {
        const std::lock_guard guard(m_lock);
        first = !m_progress;
        m_progress = progress;
    }
    // One message for any number of probes the window has not caught up with.
    if (first) {
        PostMessageW(m_window, WM_WORKER_PROGRESS, 0, 0);
    }
}

bool CFindDlg::OnMessage(UINT message, WPARAM /*wParam*/, LPARAM /*lParam*/, INT_PTR& /*result*/) {
    if (message == WM_WORKER_PROGRESS) {
        std::optional<ScanProgress> progress;
        {
            const std::lock_guard guard(m_lock);
            progress = std::exchange(m_progress, std::nullopt);
        }
        if (progress) {
            const FindProgress shown = FindProgressOf(*progress);
            SendMessageW(Item(IDC_FIND_BAR), PBM_SETRANGE32, 0, static_cast<LPARAM>(shown.maximum));
            SendMessageW(Item(IDC_FIND_BAR), PBM_SETPOS, shown.value, 0);
            SetText(IDC_FIND_TRYING, shown.current);
        }
        return true;
    }
    if (message == WM_WORKER_ENDED) {
        Join();
        EndDialog(m_result.outcome == ScanResult::Found ? IDOK : IDCANCEL);
        return true;
    }
    return false;
}
