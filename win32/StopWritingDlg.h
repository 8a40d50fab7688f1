#pragma once
// The question Cancel asks during a write: Stop writing, or Go on writing, which is the default and what
// Escape and the close box answer. Its owner closes it (Close) when the write ends while it is open.
#include "win32/DialogWindow.h"

class CStopWritingDlg : public CDialogWindow {
public:
    CStopWritingDlg();

    // Whether the operator chose to stop; false after Close.
    bool Ask(HWND owner);
    // Ends the question as if the operator went on writing.
    void Close() { EndDialog(IDCANCEL); }

private:
    bool OnInitDialog() override;
    void OnCommand(int id, int code, HWND control) override;
};
