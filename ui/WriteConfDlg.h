#pragma once
// The progress dialog of a configuration write: runs the write procedure as soon as it opens, shows its
// status line, and ends with "Done", with a failed verification, with a refused request, or with a
// confirmed Cancel. What it shows and decides is WriteProgress's; this is its view.
#include <QDialog>
#include <QString>
#include <functional>
#include <memory>

#include "device/ModbusDevice.h"
#include "present/WriteProgress.h"

namespace Ui {
class CWriteConfDlg;
}
class QMessageBox;

class CWriteConfDlg : public QDialog, public IModbusDeviceListener {
    Q_OBJECT
public:
    enum { IDOK = 1, IDCANCEL = 2 };

    CWriteConfDlg(const CommConfig& config, CArdeno& controller, QWidget* parent = nullptr);
    // Unregisters from the controller; writes already queued stay queued.
    ~CWriteConfDlg() override;

    // Starts the procedure and runs the dialog modally: IDOK after "Done", IDCANCEL after a failed
    // verification, a refused request or a confirmed Cancel, -1 when the program was asked to quit.
    int DoModal();

    // Worker thread: queues the update, with the reason of a failed one, to the dialog's thread.
    void OnVarUpdated(int id, bool success) override;

    const CWriteProcedure& Procedure() const { return m_progress.Procedure(); }
    // The operator stopped the write with Cancel.
    bool StoppedByOperator() const { return m_stoppedByOperator; }

signals:
    // Each status line as the procedure reaches it.
    void StatusTextChanged(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Cancel, Escape and the caption's close box.
    void reject() override;
    void done(int result) override;

private:
    void OnInitDialog();
    void OnCancel();
    bool ConfirmCancel();
    void OnProgress();

    std::unique_ptr<Ui::CWriteConfDlg> m_ui;
    // The cancel question while it is open: the write's end closes it.
    QMessageBox* m_question = nullptr;
    CArdeno& m_controller;
    WriteProgress m_progress;
    bool m_ended = false;
    bool m_stoppedByOperator = false;  // done() was called: the modal run has a result of its own
};
