#pragma once
// The traffic window: every frame on the line, newest at the bottom, failures marked, with Pause,
// Clear, Save... and the counts of what the line did. A view of CTrafficModel; opening or closing it
// changes nothing for the worker, which only ever fills the frame buffer.
#include <QWidget>

#include "ui/TrafficModel.h"

class QLabel;
class QPushButton;
class QTableView;

class CTrafficWindow : public QWidget {
    Q_OBJECT
public:
    // A window of its own, kept above its parent.
    CTrafficWindow(CTrafficModel& model, QWidget* parent);

    QTableView* View() const { return m_view; }

private:
    void OnPause();
    void OnSave();
    void ShowCounts();
    bool AtNewest() const;

    CTrafficModel& m_model;
    QTableView* m_view;
    QPushButton* m_pauseButton;
    QLabel* m_countsLabel;
    bool m_followNewest = true;  // decided before each batch: was the newest row in view?
};
