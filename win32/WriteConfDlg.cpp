#include "win32/WriteConfDlg.h"

#include "log/LogService.h"
#include "platform/DebugOutput.h"
#include "platform/LastError.h"
#include "win32/StopWritingDlg.h"
#include "win32/resource.h"

namespace {

// A notification's success and the reason of a failure in one message parameter.
LPARAM Encoded(bool success, std::uint32_t error) {
    return static_cast<LPARAM>((static_cast<std::uint64_t>(error) << 1) | (success ? 1U : 0U));
}

}  // namespace

CWriteConfDlg::CWriteConfDlg(const CommConfig& config, CArdeno& controller)
    : CDialogWindow(IDD_WRITE),
      m_controller(controller),
      m_progress(controller, config, [this] { OnProgress(); }) {}

CWriteConfDlg::~CWriteConfDlg() {
    m_controller.RemoveListener(this);
}

bool CWriteConfDlg::OnInitDialog() {
    m_window = Handle();
    SetText(IDC_WRITE_HEADLINE, m_progress.Headline());
    SetText(IDC_STATUS, "");
    // Listen before anything is queued, so that no notification of our own writes can be missed.
    m_controller.AddListener(this);
    m_progress.Start();
    return true;
}

void CWriteConfDlg::OnVarUpdated(int id, bool success) {
    // The worker calls this right after the exchange: the thread's last error still tells why it failed.
    PostMessageW(m_window, WM_DEVICE_VAR_UPDATED, static_cast<WPARAM>(id),
                 Encoded(success, success ? 0 : platform::GetLastError()));
}

bool CWriteConfDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    if (message == DM_GETDEFID) {
        result = 0;  // Enter does nothing: only the procedure or Cancel ends the dialog
        return true;
    }
    if (message != WM_DEVICE_VAR_UPDATED) {
        return false;
    }
    const auto bits = static_cast<std::uint64_t>(lParam);
    m_progress.OnUpdate({DeviceEvent::VarUpdated, static_cast<int>(wParam), (bits & 1U) != 0,
                         static_cast<std::uint32_t>(bits >> 1)});
    return true;
}

void CWriteConfDlg::OnCancel() {
    // Notifications go on being handled while the question is open; if the procedure finishes
    // meanwhile, the question closes itself and the operator is told there was nothing left to stop.
    if (m_question != nullptr) {
        return;
    }
    CStopWritingDlg question;
    m_question = &question;
    const bool stop = question.Ask(Handle());
    m_question = nullptr;
    if (!m_progress.CancelEnds()) {
        platform::ShowMessageBox(WriteProgress::EndedWhileAskedNote());
        return;
    }
    if (stop) {
        EndDialog(IDCANCEL);
    }
}

void CWriteConfDlg::OnProgress() {
    if (m_question != nullptr && m_progress.Ended() != WriteProgress::End::Running) {
        m_question->Close();
    }
    switch (m_progress.Ended()) {
        case WriteProgress::End::Running:
            SetText(IDC_STATUS, m_progress.StatusText());
            break;
        case WriteProgress::End::Done:
            EndDialog(IDOK);
            break;
        case WriteProgress::End::Mismatch:
        case WriteProgress::End::Refused:
            platform::ShowMessageBox(m_progress.Message());
            EndDialog(IDCANCEL);
            break;
        case WriteProgress::End::Rejected:
            CLogService::Instance().Log("%s", true, m_progress.Message());
            // Ends this dialog's loop and the main window's; the program ends.
            PostQuitMessage(0);
            break;
    }
}
