#pragma once
// The progress of a scan for the controller: a bar, the settings being tried, and Cancel. The scan runs
// on a worker thread of its own; the worker only queues calls to this dialog, it never touches a widget.
#include <QDialog>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "scan/ScanEngine.h"

namespace Ui {
class CScanDlg;
}

class CScanDlg : public QDialog, private IScanObserver {
    Q_OBJECT
public:
    // `tap`: told every frame of the scan, on the scan's thread; not owned. `framing`: a tcp:// port's
    // gateway kind when chosen (see ScanOptions).
    CScanDlg(std::string devicePath, const std::optional<ScanCandidate>& guess, QWidget* parent = nullptr,
             traffic::IFrameObserver* tap = nullptr, std::optional<traffic::Framing> framing = std::nullopt);
    // Cancels a scan still running and waits for its end (at most one probe).
    ~CScanDlg() override;

    // Runs the scan and the dialog until the scan has ended, however it ended; then Result() tells.
    void Run();
    const ScanResult& Result() const { return m_result; }

protected:
    // Cancel, Escape and the close box: the scan stops at its next probe, and then the dialog ends.
    void reject() override;

private:
    void OnProbe(const ScanProgress& progress) override;  // worker thread
    void ShowProgress(const ScanProgress& progress);
    void OnScanEnded();

    std::unique_ptr<Ui::CScanDlg> m_ui;
    const std::string m_devicePath;
    const std::optional<ScanCandidate> m_guess;
    CScanEngine m_engine;
    ScanResult m_result;  // written by the worker, read only after it has been joined
    std::thread m_worker;
};
