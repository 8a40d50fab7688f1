#include "ui/TrafficModel.h"

#include <QBrush>
#include <QColor>
#include <algorithm>
#include <iterator>

#include "traffic/Decoder.h"

namespace {

QString ToQString(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

CTrafficModel::CTrafficModel(traffic::FrameRing& ring, std::size_t maxRows, QObject* parent)
    : QAbstractTableModel(parent), m_ring(ring), m_maxRows(std::max<std::size_t>(maxRows, 1)) {
    connect(&m_drainTimer, &QTimer::timeout, this, &CTrafficModel::Drain);
    m_drainTimer.start(kDrainPeriodMs);
}

int CTrafficModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CTrafficModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CTrafficModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || static_cast<std::size_t>(index.row()) >= m_rows.size()) {
        return {};
    }
    const traffic::Frame& frame = m_rows[static_cast<std::size_t>(index.row())];
    const bool failed = traffic::IsFailure(frame.outcome);
    switch (role) {
        case Qt::DisplayRole:
            switch (index.column()) {
                case ColumnTime:
                    return QString::number(std::chrono::duration<double>(frame.time - Origin()).count(), 'f',
                                           3);
                case ColumnDirection:
                    return frame.direction == traffic::Direction::ToSlave ? QStringLiteral("->")
                                                                          : QStringLiteral("<-");
                case ColumnBytes:
                    return ToQString(traffic::HexBytes(frame));
                case ColumnMeaning:
                    return ToQString(traffic::Meaning(frame));
                case ColumnOutcome:
                    return ToQString(traffic::OutcomeText(frame));
                default:
                    return {};
            }
        case Qt::ForegroundRole:
            return failed ? QVariant(QBrush(QColor(0x9c, 0x00, 0x06))) : QVariant();
        case Qt::BackgroundRole:
            return failed ? QVariant(QBrush(QColor(0xff, 0xc7, 0xce))) : QVariant();
        default:
            return {};
    }
}

QVariant CTrafficModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    static const char* const kTitles[ColumnCount] = {"Time (s)", "Dir", "Bytes", "Meaning", "Outcome"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(kTitles[section]) : QVariant();
}

void CTrafficModel::Drain() {
    std::vector<traffic::Frame> frames = m_ring.Drain();
    if (frames.empty()) {
        return;
    }
    if (!m_origin) {
        m_origin = frames.front().time;
    }
    for (const traffic::Frame& frame : frames) {
        Count(frame);
    }
    emit countsChanged();
    if (m_paused) {
        return;
    }
    // Only the newest rows of a batch larger than the whole table can be kept.
    const std::size_t keep = std::min(frames.size(), m_maxRows);
    const auto first = frames.end() - static_cast<std::ptrdiff_t>(keep);
    const std::size_t excess = m_rows.size() + keep > m_maxRows ? m_rows.size() + keep - m_maxRows : 0;
    if (excess != 0) {
        beginRemoveRows({}, 0, static_cast<int>(excess) - 1);
        m_rows.erase(m_rows.begin(), m_rows.begin() + static_cast<std::ptrdiff_t>(excess));
        endRemoveRows();
    }
    const int start = static_cast<int>(m_rows.size());
    beginInsertRows({}, start, start + static_cast<int>(keep) - 1);
    m_rows.insert(m_rows.end(), first, frames.end());
    endInsertRows();
}

void CTrafficModel::Clear() {
    beginResetModel();
    m_rows.clear();
    endResetModel();
    m_counts = {};
    emit countsChanged();
}

std::string CTrafficModel::Text() const {
    std::string text;
    for (const traffic::Frame& frame : m_rows) {
        text += traffic::FormatLine(frame, Origin()) + '\n';
    }
    return text;
}

void CTrafficModel::Count(const traffic::Frame& frame) {
    using traffic::Outcome;
    switch (frame.outcome) {
        case Outcome::Request:
            ++m_counts.requests;
            return;
        case Outcome::Timeout:
        case Outcome::Short:
            ++m_counts.timeouts;
            break;
        case Outcome::BadCrc:
            ++m_counts.crcErrors;
            break;
        case Outcome::Exception:
            ++m_counts.exceptions;
            break;
        default:
            break;
    }
    if (frame.direction == traffic::Direction::FromSlave && frame.length != 0 &&
        frame.outcome != Outcome::Late && frame.outcome != Outcome::AdapterEcho) {
        ++m_counts.replies;
    }
}

traffic::Clock::time_point CTrafficModel::Origin() const {
    return m_origin.value_or(traffic::Clock::time_point{});
}
