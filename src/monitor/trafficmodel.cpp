#include "monitor/trafficmodel.h"

#include "texts/traffictexts.h"

#include <QBrush>
#include <QFontDatabase>

namespace kliv {

namespace {

constexpr int BatchMs = 100;
constexpr int BytesColumn = 6, VerdictColumn = 5;

} // namespace

TrafficModel::TrafficModel(QObject* parent) : QAbstractTableModel(parent) {
    m_batch.setInterval(BatchMs);
    m_batch.setSingleShot(true);
    connect(&m_batch, &QTimer::timeout, this, &TrafficModel::flush);
}

void TrafficModel::add(const Traffic& t) {
    ++m_counts[std::size_t(t.verdict)];
    if (!m_paused) {
        m_pending.append(t);
        if (!m_batch.isActive())
            m_batch.start();
    }
    // Counters are cheap to show; the batch timer does it with the lines.
}

void TrafficModel::flush() {
    if (m_lines.size() + m_pending.size() > MaxLines) {
        const int drop =
            int(qMin(m_lines.size(), m_lines.size() + m_pending.size() - MaxLines + MaxLines / 10));
        beginRemoveRows({}, 0, drop - 1);
        m_lines.remove(0, drop);
        endRemoveRows();
    }
    if (!m_pending.isEmpty()) {
        beginInsertRows({}, int(m_lines.size()), int(m_lines.size() + m_pending.size()) - 1);
        m_lines.append(std::exchange(m_pending, {}));
        endInsertRows();
    }
    Q_EMIT countsChanged();
}

void TrafficModel::clear() {
    beginResetModel();
    m_lines.clear();
    m_pending.clear();
    m_counts.fill(0);
    endResetModel();
    Q_EMIT countsChanged();
}

QString TrafficModel::text() const {
    QString out;
    for (const Traffic& t : m_lines)
        out += msg::trafficLine(t) + u'\n';
    return out;
}

int TrafficModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_lines.size());
}

int TrafficModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : msg::TrafficColumns;
}

QVariant TrafficModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_lines.size())
        return {};
    const Traffic& t = m_lines.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return msg::trafficFields(t)[std::size_t(index.column())];
    case Qt::TextAlignmentRole:
        return index.column() == BytesColumn ? int(Qt::AlignLeft | Qt::AlignVCenter)
                                             : int(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::FontRole:
        if (index.column() == BytesColumn)
            return QFontDatabase::systemFont(QFontDatabase::FixedFont);
        return {};
    case Qt::ForegroundRole:
        // Anything but a good frame stands out in the verdict column.
        if (index.column() == VerdictColumn && t.verdict != Verdict::Good)
            return QBrush(t.verdict == Verdict::Repeat ? QColor(160, 100, 0) : QColor(190, 0, 0));
        return {};
    default:
        return {};
    }
}

QVariant TrafficModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, o, role);
    return msg::trafficHeaders().value(section);
}

} // namespace kliv
