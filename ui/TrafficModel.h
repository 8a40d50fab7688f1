#pragma once
// The traffic window's table: a Qt model over TrafficRows, fed from the frame buffer in batches (one
// insert per drain, so that the view keeps up at the fastest poll rate).
#include <QAbstractTableModel>
#include <QTimer>
#include <cstdint>
#include <string>

#include "present/TrafficRows.h"
#include "traffic/FrameRing.h"

class CTrafficModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using Counts = TrafficRows::Counts;
    enum Column {
        ColumnTime = TrafficRows::ColumnTime,
        ColumnDirection = TrafficRows::ColumnDirection,
        ColumnBytes = TrafficRows::ColumnBytes,
        ColumnMeaning = TrafficRows::ColumnMeaning,
        ColumnOutcome = TrafficRows::ColumnOutcome,
        ColumnCount = TrafficRows::ColumnCount,
    };
    static constexpr std::size_t kDefaultMaxRows = TrafficRows::kDefaultMaxRows;
    static constexpr int kDrainPeriodMs = TrafficRows::kDrainPeriodMs;

    // Drains the ring every kDrainPeriodMs from now on, whether a view shows the rows or not.
    explicit CTrafficModel(traffic::FrameRing& ring, std::size_t maxRows = kDefaultMaxRows,
                           QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Takes what the ring holds now.
    void Drain();
    void SetPaused(bool paused) { m_rows.SetPaused(paused); }
    bool IsPaused() const { return m_rows.IsPaused(); }
    void Clear();
    const Counts& GetCounts() const { return m_rows.GetCounts(); }
    // The counts line, with the frames the ring could not take because it was not drained in time.
    std::string CountsText() const { return m_rows.CountsText(m_ring.Lost()); }
    std::string Text() const { return m_rows.Text(); }
    void SetSetting(traffic::TraceSetting setting) { m_rows.SetSetting(std::move(setting)); }

signals:
    void countsChanged();

private:
    traffic::FrameRing& m_ring;
    TrafficRows m_rows;
    QTimer m_drainTimer;
};
