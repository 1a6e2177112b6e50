#include "files/decimator.h"

namespace kliv::files {

namespace {

void merge(Decimator::Cell& into, const Decimator::Cell& later) {
    if (later.min < into.min)
        into.min = later.min, into.minAt = later.minAt;
    if (later.max > into.max)
        into.max = later.max, into.maxAt = later.maxAt;
}

} // namespace

Decimator::Decimator(int columns, int buckets, qint64 origin, qint64 width)
    : m_columns(columns), m_buckets(buckets), m_origin(origin), m_width(std::max<qint64>(width, 1)),
      m_cells(qsizetype(columns) * buckets), m_rows(buckets, 0) {}

void Decimator::add(qint64 at, const double* values) {
    if (at < m_origin || m_buckets == 0)
        return;
    while ((at - m_origin) / m_width >= m_buckets)
        widen();
    const int b = int((at - m_origin) / m_width);
    Cell* cells = m_cells.data() + qsizetype(b) * m_columns;
    if (m_rows[b]++ == 0) {
        for (int c = 0; c < m_columns; ++c)
            cells[c] = {values[c], values[c], at, at};
        return;
    }
    for (int c = 0; c < m_columns; ++c)
        merge(cells[c], {values[c], values[c], at, at});
}

// Spans 2i and 2i+1 become span i; the second half of the spans starts empty.
void Decimator::widen() {
    for (int b = 0; b < m_buckets; ++b) {
        const int from = 2 * b;
        Cell* into = m_cells.data() + qsizetype(b) * m_columns;
        qint64 rows = 0;
        for (int half = from; half < from + 2 && half < m_buckets; ++half) {
            if (m_rows[half] == 0)
                continue;
            const Cell* cells = m_cells.constData() + qsizetype(half) * m_columns;
            for (int c = 0; c < m_columns; ++c) {
                if (rows == 0)
                    into[c] = cells[c];
                else
                    merge(into[c], cells[c]);
            }
            rows += m_rows[half];
        }
        m_rows[b] = rows;
    }
    m_width *= 2;
}

QList<QPointF> Decimator::points(int column) const {
    QList<QPointF> out;
    for (int b = 0; b < m_buckets; ++b) {
        if (m_rows[b] == 0)
            continue;
        const Cell& c = cell(b, column);
        const QPointF low(double(c.minAt), c.min), high(double(c.maxAt), c.max);
        if (c.minAt == c.maxAt && c.min == c.max)
            out << low;
        else if (c.minAt <= c.maxAt)
            out << low << high;
        else
            out << high << low;
    }
    return out;
}

} // namespace kliv::files
