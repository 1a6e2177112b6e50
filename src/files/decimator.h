#pragma once

#include <QList>
#include <QPointF>

namespace kliv::files {

// A long series cut down to what a chart can show: a fixed number of equal spans of time,
// each keeping, for every column, the least and the greatest value with the times they came
// at. A row past the last span doubles every span's width, pairs of spans merging, so the
// memory is the same for an hour's recording as for a year's.
class Decimator {
  public:
    struct Cell {
        double min = 0, max = 0;
        qint64 minAt = 0, maxAt = 0; // the first time the extreme was seen
    };

    Decimator() = default;
    // `width` is the first width of a span, in the units of the times (milliseconds).
    Decimator(int columns, int buckets, qint64 origin, qint64 width);

    // A row of one value a column; rows before the origin have no span and are left out.
    void add(qint64 at, const double* values);

    int columns() const { return m_columns; }
    int buckets() const { return m_buckets; }
    qint64 origin() const { return m_origin; }
    qint64 width() const { return m_width; }
    qint64 rows(int bucket) const { return m_rows.at(bucket); }
    const Cell& cell(int bucket, int column) const {
        return m_cells.at(qsizetype(bucket) * m_columns + column);
    }

    // What a chart draws of a column: each span's extremes in the order they came, one
    // point where they are the same sample.
    QList<QPointF> points(int column) const;

  private:
    void widen();

    int m_columns = 0, m_buckets = 0;
    qint64 m_origin = 0, m_width = 1;
    QList<Cell> m_cells; // span after span, a cell a column
    QList<qint64> m_rows;
};

} // namespace kliv::files
