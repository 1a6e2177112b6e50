#include "files/trendreader.h"

#include "files/liverecord.h"

#include <QDateTime>
#include <QIODevice>
#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace kliv::files {

namespace {

constexpr qint64 HourMs = 3600 * 1000;

// The lines of a device, read a chunk at a time; a line longer than the limit is not held
// but passed over and reported as too long.
class Lines {
  public:
    Lines(QIODevice& in, std::function<bool(qint64 at)> chunkRead)
        : m_in(in), m_chunkRead(std::move(chunkRead)) {}

    void seek(qint64 offset, qint64 lineNumber) {
        m_buf.clear();
        m_at = 0;
        m_bufStart = offset;
        m_number = lineNumber - 1;
        m_eof = !m_in.seek(offset);
    }

    // The next line without its line end; false at the end, on an error or when stopped.
    bool next(QByteArrayView& line, bool& tooLong) {
        for (;;) {
            const char* data = m_buf.constData();
            const qint64 left = m_buf.size() - m_at;
            if (const void* nl = std::memchr(data + m_at, '\n', std::size_t(left))) {
                const char* end = static_cast<const char*>(nl);
                const QByteArrayView text(data + m_at, end);
                m_at = end - data + 1;
                return give(text, line, tooLong);
            }
            if (m_stopped)
                return false;
            if (left > TrendReader::MaxLineBytes && !m_passing) {
                m_passing = true;
                m_lineStart = m_bufStart + m_at;
            }
            if (m_passing) {
                m_bufStart += m_buf.size();
                m_buf.clear();
                m_at = 0;
            }
            if (m_eof) {
                if (!m_passing && m_at == m_buf.size())
                    return false;
                const QByteArrayView rest(m_buf.constData() + m_at, m_buf.size() - m_at);
                m_at = m_buf.size();
                return give(rest, line, tooLong);
            }
            fill();
        }
    }

    qint64 lineStart() const { return m_lineStart; }
    qint64 lineNumber() const { return m_number; }
    qint64 position() const { return m_bufStart + m_buf.size(); }
    bool stopped() const { return m_stopped; }
    QString error() const { return m_error; }

  private:
    bool give(QByteArrayView text, QByteArrayView& line, bool& tooLong) {
        ++m_number;
        tooLong = m_passing;
        if (!m_passing)
            m_lineStart = m_bufStart + (text.data() - m_buf.constData());
        m_passing = false;
        if (text.endsWith('\r'))
            text.chop(1);
        line = text;
        return true;
    }

    void fill() {
        m_buf.remove(0, m_at);
        m_bufStart += m_at;
        m_at = 0;
        const qsizetype had = m_buf.size();
        m_buf.resize(had + TrendReader::ChunkBytes);
        const qint64 got = m_in.read(m_buf.data() + had, TrendReader::ChunkBytes);
        m_buf.resize(had + std::max<qint64>(got, 0));
        if (got < 0)
            m_error = m_in.errorString();
        m_eof = got <= 0;
        m_stopped = !m_chunkRead(position());
    }

    QIODevice& m_in;
    std::function<bool(qint64)> m_chunkRead;
    QByteArray m_buf;
    qint64 m_at = 0, m_bufStart = 0, m_lineStart = 0, m_number = 0;
    bool m_passing = false, m_eof = false, m_stopped = false;
    QString m_error;
};

// A recording's wall clock as milliseconds since the epoch; the local offset is looked up
// once an hour of the recording, not once a row.
class LocalClock {
  public:
    qint64 toEpoch(qint64 wallMs) {
        const qint64 hour = wallMs / HourMs - (wallMs % HourMs < 0);
        if (hour != m_hour) {
            m_hour = hour;
            const QDateTime wall = QDateTime::fromMSecsSinceEpoch(hour * HourMs, Qt::UTC);
            m_offset = QDateTime(wall.date(), wall.time(), Qt::LocalTime).toMSecsSinceEpoch() -
                       hour * HourMs;
        }
        return wallMs + m_offset;
    }

  private:
    qint64 m_hour = std::numeric_limits<qint64>::min(), m_offset = 0;
};

struct Row {
    qint64 at = 0, offset = 0, line = 0;
    std::vector<double> values;
};

// The header's columns: the time, then value columns and columns of words.
struct Header {
    qsizetype fields = 0;
    std::vector<int> columnOf; // a field's value column, -1 for the time and words
    QStringList columns;       // the value columns' names
};

std::optional<Trend::Problem> readHeader(QByteArrayView line, Header& h) {
    // Counted before the names are made, which would take far more memory than the line.
    if (std::count(line.begin(), line.end(), ';') > TrendReader::MaxColumns)
        return Trend::Problem::TooManyColumns;
    if (line.startsWith("\xEF\xBB\xBF"))
        line = line.sliced(3);
    const QStringList names = QString::fromUtf8(line).split(u';');
    h.fields = names.size();
    h.columnOf.assign(std::size_t(names.size()), -1);
    for (int i = 1; i < names.size(); ++i)
        if (!liverecord::holdsWords(names.at(i))) {
            h.columnOf[std::size_t(i)] = int(h.columns.size());
            h.columns << names.at(i);
        }
    if (h.columns.isEmpty())
        return Trend::Problem::NotARecording;
    return std::nullopt;
}

// A row's time and the values of the columns asked for, or why the row does not read.
class RowParser {
  public:
    RowParser(const Header& header, std::vector<int> slotOf)
        : m_header(header), m_slotOf(std::move(slotOf)) {}

    std::optional<RowFault> parse(QByteArrayView text, Row& row) {
        if (qsizetype(std::count(text.begin(), text.end(), ';')) + 1 != m_header.fields)
            return RowFault::Fields;
        qsizetype from = 0;
        for (std::size_t i = 0; i < m_header.columnOf.size(); ++i) {
            qsizetype to = text.indexOf(';', from);
            if (to < 0)
                to = text.size();
            const QByteArrayView field = text.sliced(from, to - from);
            from = to + 1;
            if (i == 0) {
                const auto wall = liverecord::readTime(field);
                if (!wall)
                    return RowFault::Time;
                row.at = m_clock.toEpoch(*wall);
            } else if (const int c = m_header.columnOf[i]; c >= 0) {
                const auto v = liverecord::readNumber(field);
                if (!v)
                    return RowFault::Number;
                if (const int kept = m_slotOf[std::size_t(c)]; kept >= 0)
                    row.values[std::size_t(kept)] = *v;
            }
        }
        return std::nullopt;
    }

  private:
    const Header& m_header;
    std::vector<int> m_slotOf; // a value column's place among those kept, -1 if not kept
    LocalClock m_clock;
};

} // namespace

Trend TrendReader::read(const TrendRequest& request) {
    Trend t;
    const qint64 size = m_in.size();
    qint64 start = 0, end = size;
    Lines lines(m_in, [&](qint64 at) {
        if (onProgress)
            onProgress(std::clamp(at - start, qint64(0), end - start), end - start);
        return !m_cancel;
    });
    QByteArrayView line;
    bool tooLong = false;
    if (!lines.next(line, tooLong) || tooLong) {
        t.problem = !lines.error().isEmpty() ? Trend::Problem::Read : Trend::Problem::NotARecording;
        t.systemError = lines.error();
        t.cancelled = lines.stopped();
        return t;
    }
    Header header;
    if (const auto problem = readHeader(line, header)) {
        t.problem = *problem;
        return t;
    }
    t.columns = header.columns;
    if (onColumns)
        onColumns(t.columns);

    // Where each value column goes in the decimator, -1 when it is not asked for.
    std::vector<int> slotOf(std::size_t(t.columns.size()), -1);
    for (int c : request.columns)
        if (c >= 0 && c < t.columns.size() && slotOf[std::size_t(c)] < 0) {
            slotOf[std::size_t(c)] = int(t.decimated.size());
            t.decimated << c;
        }
    if (request.columns.isEmpty())
        for (int c = 0; c < t.columns.size(); ++c) {
            slotOf[std::size_t(c)] = c;
            t.decimated << c;
        }
    const int kept = int(t.decimated.size());
    RowParser parser(header, std::move(slotOf));
    const int buckets =
        int(std::clamp<qint64>(CellBudget / std::max(kept, 1), MinBuckets, MaxBuckets));

    qint64 lastGood = std::numeric_limits<qint64>::min();
    if (request.range) {
        const auto [from, to] = *request.range;
        t.series = Decimator(kept, buckets, from, (to - from) / buckets + 1);
        const auto& idx = request.index;
        auto after = std::upper_bound(idx.begin(), idx.end(), to,
                                      [](qint64 v, const Checkpoint& c) { return v < c.at; });
        if (after != idx.end())
            end = std::min(size, after->offset);
        auto before = std::lower_bound(idx.begin(), idx.end(), from,
                                       [](const Checkpoint& c, qint64 v) { return c.at < v; });
        if (before != idx.begin()) {
            --before;
            start = before->offset;
            lastGood = before->at;
            lines.seek(before->offset, before->line);
        }
    }

    Row pending, row;
    pending.values.resize(std::size_t(kept));
    row.values.resize(std::size_t(kept));
    bool hasPending = false, past = false;
    qint64 indexStep = 1;
    auto skip = [&t](qint64 lineNumber, RowFault fault) {
        // A row found out of order by the row after it may come before one found earlier.
        if (t.skipped++ == 0 || lineNumber < t.firstSkippedLine)
            t.firstSkippedLine = lineNumber, t.firstFault = fault;
    };
    // The pending row is good: it goes into the series, and the row after it is where a
    // later read may start.
    auto accept = [&](const Row* next) {
        lastGood = pending.at;
        if (request.range && pending.at > request.range->second) {
            past = true;
            return;
        }
        if (!request.range || pending.at >= request.range->first) {
            if (t.rows++ == 0) {
                t.first = pending.at;
                if (!request.range)
                    t.series = Decimator(kept, buckets, pending.at, 1);
            }
            t.last = pending.at;
            t.series.add(pending.at, pending.values.data());
        }
        if (request.range || !next)
            return;
        if (t.index.isEmpty() || pending.at >= t.index.last().at + indexStep)
            t.index.append({pending.at, next->offset, next->line});
        if (t.index.size() == IndexSize) {
            for (int i = 0; i < IndexSize / 2; ++i)
                t.index[i] = t.index.at(2 * i);
            t.index.resize(IndexSize / 2);
            indexStep *= 2;
        }
    };
    while (!past && lines.next(line, tooLong)) {
        if (line.isEmpty() && !tooLong)
            continue;
        row.offset = lines.lineStart();
        row.line = lines.lineNumber();
        if (const auto fault = tooLong ? RowFault::Length : parser.parse(line, row)) {
            skip(row.line, *fault);
            continue;
        }
        // A row earlier than the last good one is out of order; so is a pending row later
        // than this one, which then stands alone (a clock set forward and back again).
        if (row.at < lastGood) {
            skip(row.line, RowFault::Order);
            continue;
        }
        if (hasPending) {
            if (row.at < pending.at)
                skip(pending.line, RowFault::Order);
            else
                accept(&row);
        }
        std::swap(pending, row);
        hasPending = true;
    }
    if (hasPending && !past && !lines.stopped())
        accept(nullptr);
    if (!lines.error().isEmpty()) {
        t.problem = Trend::Problem::Read;
        t.systemError = lines.error();
    } else if (lines.stopped()) {
        t.cancelled = true;
    } else if (t.rows == 0 && !request.range) {
        t.problem = Trend::Problem::NoRows;
    }
    return t;
}

} // namespace kliv::files
