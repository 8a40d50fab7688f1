#include "win32/StopWritingDlg.h"

#include "present/WriteProgress.h"
#include "win32/resource.h"

CStopWritingDlg::CStopWritingDlg() : CDialogWindow(IDD_STOP_WRITING) {}

bool CStopWritingDlg::Ask(HWND owner) {
    return RunModal(owner) == IDC_STOP_WRITING;
}

bool CStopWritingDlg::OnInitDialog() {
    SetText(IDC_STOP_QUESTION, WriteProgress::CancelQuestion());
    SetText(IDCANCEL, WriteProgress::GoOnAnswer());
    SetText(IDC_STOP_WRITING, WriteProgress::StopAnswer());
    return true;
}

void CStopWritingDlg::OnCommand(int id, int /*code*/, HWND /*control*/) {
    if (id == IDC_STOP_WRITING) {
        EndDialog(IDC_STOP_WRITING);
    }
}
