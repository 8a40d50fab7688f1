#pragma once
// The progress dialog of a configuration write: runs the write procedure as soon as it opens, shows its
// headline and status line, and ends with "Done", with a failed verification, with a refused request, or with
// a confirmed Cancel. What it shows and decides is WriteProgress's; this is its view.
#include "device/ModbusDevice.h"
#include "present/WriteProgress.h"
#include "win32/DialogWindow.h"

class CStopWritingDlg;

class CWriteConfDlg : public CDialogWindow, public IModbusDeviceListener {
public:
    CWriteConfDlg(const CommConfig& config, CArdeno& controller);
    // Unregisters from the controller; writes already queued stay queued.
    ~CWriteConfDlg() override;

    // Worker thread: posts the update, with the reason of a failed one, to the dialog.
    void OnVarUpdated(int id, bool success) override;

    const CWriteProcedure& Procedure() const { return m_progress.Procedure(); }

private:
    bool OnInitDialog() override;
    // Cancel, Escape and the caption's close box: asks first.
    void OnCancel() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void OnProgress();

    CArdeno& m_controller;
    WriteProgress m_progress;
    HWND m_window = nullptr;                // where the worker posts; set before the dialog listens
    CStopWritingDlg* m_question = nullptr;  // Cancel's question while it is open
};
