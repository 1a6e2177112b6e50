#pragma once

#include "link/traffic.h"

#include <QAbstractTableModel>
#include <QList>
#include <QTimer>
#include <array>

namespace kliv {

// The lines of the traffic monitor. Frames are taken as they come and shown in batches a
// few times a second, so that watching never holds up the line; the oldest lines go once
// the list is very long. The counters count every frame, also while the list is paused.
class TrafficModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    static constexpr int MaxLines = 100000;
    static constexpr int VerdictCount = 6;

    explicit TrafficModel(QObject* parent = nullptr);

    void add(const Traffic& t);
    void flush(); // the batch timer's handler, callable directly
    void clear();
    void setPaused(bool paused) { m_paused = paused; }
    bool paused() const { return m_paused; }
    int count(Verdict v) const { return m_counts[std::size_t(v)]; }
    const Traffic& line(int row) const { return m_lines.at(row); }
    QString text() const; // every line, as the trace writes it

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

  Q_SIGNALS:
    void countsChanged();

  private:
    QList<Traffic> m_lines, m_pending;
    std::array<int, VerdictCount> m_counts{};
    bool m_paused = false;
    QTimer m_batch;
};

} // namespace kliv
