#pragma once
// Commissioning from the window: the first address, how many units, the line settings they get and the
// log file; a table of the units done, the prompt of the moment in large text, and Stop. The run goes on
// a thread of its own; it only queues calls to this dialog, it never touches a widget.
#include <QDialog>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "commission/Commissioning.h"
#include "device/DeviceConnection.h"
#include "present/CommissionForm.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;
class CWindowBench;

class CCommissionDlg : public QDialog {
    Q_OBJECT
public:
    // New units answer on the recipe's port at `factory`: the settings of the window's connection, whose
    // recipe (reply time, echo) every step's connection follows.
    // `remembered`: where the fields of the last run started are kept (shown again, replaced at Start);
    // none: the dialog starts from the connection's settings and keeps nothing.
    CCommissionDlg(ConnectionRecipe recipe, const ScanCandidate& factory,
                   ISettingsStore* remembered = nullptr, QWidget* parent = nullptr);
    // Stops a run still going and waits for its end.
    ~CCommissionDlg() override;

    // Where the last unit done answers now: for the connection that follows.
    const std::optional<ScanCandidate>& LastDone() const { return m_lastDone; }

protected:
    // Escape and the close box stop a run and then close.
    void reject() override;

private:
    void Start();
    void OnBrowse();
    void ShowLogNote();
    CommissionFields Fields() const;
    void ShowFields(const CommissionFields& fields);
    // Every field and button that may not change while a run goes on.
    void EnableFields(bool enabled);
    void Stop();
    void ShowPrompt(const QString& text);
    void AddRow(const UnitRecord& record);
    void OnRunEnded(const CommissionEnd& end, const std::string& failure);
    void Join();

    const ConnectionRecipe m_recipe;
    const ScanCandidate m_factory;
    QSpinBox* m_firstAddress;
    QSpinBox* m_count;
    QComboBox* m_newBaud;
    QComboBox* m_newMode;
    QLineEdit* m_logPath;
    QPushButton* m_browse;
    QLabel* m_logNote;
    QTableWidget* m_units;
    QLabel* m_prompt;
    QPushButton* m_start;
    QPushButton* m_stop;
    QPushButton* m_close;
    ISettingsStore* const m_remembered;
    std::unique_ptr<CWindowBench> m_bench;
    std::thread m_run;
    std::optional<ScanCandidate> m_lastDone;
    bool m_closeWhenEnded = false;
};
