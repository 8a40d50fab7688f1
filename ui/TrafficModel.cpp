#include "ui/TrafficModel.h"

#include <QBrush>
#include <QColor>

CTrafficModel::CTrafficModel(traffic::FrameRing& ring, std::size_t maxRows, QObject* parent)
    : QAbstractTableModel(parent), m_ring(ring), m_rows(maxRows) {
    connect(&m_drainTimer, &QTimer::timeout, this, &CTrafficModel::Drain);
    m_drainTimer.start(kDrainPeriodMs);
}

int CTrafficModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.Size());
}

int CTrafficModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CTrafficModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || static_cast<std::size_t>(index.row()) >= m_rows.Size()) {
        return {};
    }
    const auto row = static_cast<std::size_t>(index.row());
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(m_rows.Cell(row, index.column()));
        case Qt::ForegroundRole:
            return m_rows.IsFailure(row) ? QVariant(QBrush(QColor(0x9c, 0x00, 0x06))) : QVariant();
        case Qt::BackgroundRole:
            return m_rows.IsFailure(row) ? QVariant(QBrush(QColor(0xff, 0xc7, 0xce))) : QVariant();
        default:
            return {};
    }
}

QVariant CTrafficModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    return section >= 0 && section < ColumnCount ? QString::fromStdString(TrafficRows::Title(section))
                                                 : QVariant();
}

void CTrafficModel::Drain() {
    std::vector<traffic::Frame> frames = m_ring.Drain();
    if (frames.empty()) {
        return;
    }
    TrafficRows::Batch batch = m_rows.Take(std::move(frames));
    emit countsChanged();
    if (batch.append.empty()) {
        return;
    }
    if (batch.drop != 0) {
        beginRemoveRows({}, 0, static_cast<int>(batch.drop) - 1);
        m_rows.Drop(batch.drop);
        endRemoveRows();
    }
    const int start = static_cast<int>(m_rows.Size());
    beginInsertRows({}, start, start + static_cast<int>(batch.append.size()) - 1);
    m_rows.Append(std::move(batch.append));
    endInsertRows();
}

void CTrafficModel::Clear() {
    beginResetModel();
    m_rows.Clear();
    endResetModel();
    emit countsChanged();
}
