#pragma once
// The rows of the traffic window: the last frames the Modbus master saw, taken from the frame buffer
// in batches (one insert per drain, so that the view keeps up at the fastest poll rate) and bounded to
// a number of rows, the oldest going first. It also counts what the line did.
#include <QAbstractTableModel>
#include <QTimer>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "traffic/FrameRing.h"

class CTrafficModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColumnTime, ColumnDirection, ColumnBytes, ColumnMeaning, ColumnOutcome, ColumnCount };
    static constexpr std::size_t kDefaultMaxRows = 10000;
    static constexpr int kDrainPeriodMs = 100;

    struct Counts {
        std::uint64_t requests = 0;
        std::uint64_t replies = 0;   // anything that came back as a reply, valid or not
        std::uint64_t timeouts = 0;  // no reply, or too short a one
        std::uint64_t crcErrors = 0;
        std::uint64_t exceptions = 0;
    };

    // Drains the ring every kDrainPeriodMs from now on, whether a view shows the rows or not.
    explicit CTrafficModel(traffic::FrameRing& ring, std::size_t maxRows = kDefaultMaxRows,
                           QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Takes what the ring holds now.
    void Drain();
    // While paused, frames are counted but not added as rows.
    void SetPaused(bool paused) { m_paused = paused; }
    bool IsPaused() const { return m_paused; }
    // Removes the rows and zeroes the counts.
    void Clear();
    const Counts& GetCounts() const { return m_counts; }
    // Frames the ring could not take because it was not drained in time.
    std::uint64_t Lost() const { return m_ring.Lost(); }
    // The rows as the command line's trace prints them, one a line.
    std::string Text() const;

signals:
    void countsChanged();

private:
    void Count(const traffic::Frame& frame);
    traffic::Clock::time_point Origin() const;

    traffic::FrameRing& m_ring;
    std::size_t m_maxRows;
    std::deque<traffic::Frame> m_rows;
    std::optional<traffic::Clock::time_point> m_origin;  // the first frame's time: times count from it
    Counts m_counts;
    bool m_paused = false;
    QTimer m_drainTimer;
};
