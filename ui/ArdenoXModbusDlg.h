#pragma once
// The main configuration window: the connection in use, the new settings and the controller's own
// settings side by side, the controller's model and version, and the connection status: a view of
// MainWindowModel. It listens to the controller; every notification is posted to the user-interface
// thread as a queued call, which feeds the model there.
#include <QByteArray>
#include <QDialog>
#include <QIcon>
#include <cstdint>
#include <memory>
#include <optional>

#include "device/Ardeno.h"
#include "device/WriteProcedure.h"
#include "present/MainWindowModel.h"

class CComDevice;
class CTrafficModel;
class CTrafficWindow;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace traffic {
class FrameRing;
}

namespace Ui {
class CArdenoXModbusDlg;
}

class CArdenoXModbusDlg : public QDialog, public IModbusDeviceListener {
    Q_OBJECT
public:
    enum {
        ResultClose = kMainWindowClosed,
        ResultChange = kMainWindowChange,
        ResultCommission = kMainWindowCommission
    };

    // `traffic`: the buffer the transport's frame tap fills; without one there is no Traffic button.
    CArdenoXModbusDlg(CArdeno& controller, CComDevice& comDevice, traffic::FrameRing* traffic = nullptr);
    ~CArdenoXModbusDlg() override;

    // Runs the window modally: ResultClose, ResultChange, ResultCommission, or -1 when the program was asked
    // to quit.
    int DoModal();

    // The settings of the last write that ended with "Done", which the controller takes at its next
    // restart; nothing when no write has been completed in this window.
    const std::optional<CommConfig>& WrittenConfig() const { return m_model.Written(); }

    // Where the Traffic window was when this window ended, if it was open; handed to the next window
    // (after Change) with ReopenTraffic, so that it comes back where the operator had it.
    std::optional<QByteArray> OpenTrafficGeometry() const { return m_trafficGeometry; }
    void ReopenTraffic(const QByteArray& geometry) { m_reopenTraffic = geometry; }

    // Worker thread: post only.
    void OnDeviceError(std::uint32_t errorCode) override;
    void OnVarUpdated(int id, bool success) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Enter and Escape do nothing; the caption's close box is Close.
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override {}
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;

private:
    void OnInitDialog();
    void OnVarUpdatedMessage(int id, VarOutcome outcome);
    void OnDeviceErrorMessage(std::uint32_t errorCode);
    void UpdateWriteButton();
    void UpdateData();
    // Marks the new settings that differ from the controller's own.
    void MarkChanges();
    // What the new-settings column shows, and the speed Read added to its list, if any.
    LineChoice ShownChoice() const;
    std::optional<std::uint32_t> KeptBaudRate() const;
    // Shows a choice in the new-settings column.
    void ShowChoice(const LineChoice& choice);
    // The speed "<- Read" added to the baud list because the list does not offer it goes again.
    void DropKeptBaudEntry();

    void OnBnClickedClose();
    void OnBnClickedDefault();
    void OnBnClickedChange();
    void OnBnClickedCommission();
    void OnBnClickedWrite();
    void OnBnClickedRead();
    void OnBnClickedTraffic();

    std::unique_ptr<Ui::CArdenoXModbusDlg> m_ui;
    QIcon m_hIcon;
    CArdeno& m_controller;
    CComDevice& m_comDevice;
    MainWindowModel m_model;
    QComboBox* m_baudCombo;
    QComboBox* m_modeCombo;
    QLineEdit* m_addressEdit;
    QPushButton* m_readButton;
    QPushButton* m_writeButton;
    bool m_ended = false;  // done() was called: the modal run has a result of its own
    // The write dialog's procedure while it runs: a lost port then names what it left unsaved.
    const CWriteProcedure* m_writeUnderWay = nullptr;
    // Made with the window, so that the rows are there from the first poll on whenever it opens.
    CTrafficModel* m_trafficModel = nullptr;
    CTrafficWindow* m_trafficWindow = nullptr;
    std::optional<QByteArray> m_trafficGeometry;  // taken as the window ends
    std::optional<QByteArray> m_reopenTraffic;    // shown again once the window runs
};
