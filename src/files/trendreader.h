#pragma once

#include "files/decimator.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <optional>

class QIODevice;

namespace kliv::files {

// Why a row of a recording was left out.
enum class RowFault {
    Fields, // more or fewer fields than the header names
    Time,   // the first field is not a time
    Number, // a value column holds something that is not a number
    Order,  // earlier than the row before it, or later than the one after it
    Length, // longer than any row a recording holds
};

// Where reading may start for rows from a time on: every good row after `offset` is at
// `at` or later, and the row before it was at `at`.
struct Checkpoint {
    qint64 at = 0, offset = 0, line = 0;
};

// A recording read for the trend chart, decimated: what it holds does not grow with the file.
struct Trend {
    enum class Problem {
        None,
        Open,           // systemError says why
        Read,           // systemError says why
        NotARecording,  // no header line, or one without a value column
        TooManyColumns, // more than TrendReader::MaxColumns
        NoRows,         // not one good row
    };
    Problem problem = Problem::None;
    QString systemError;
    bool cancelled = false;

    QStringList columns;        // the value columns the header names, unit included: "Ua, В"
    QList<int> decimated;       // which of them `series` holds, in its order
    Decimator series;           // x: milliseconds since the epoch
    qint64 first = 0, last = 0; // the times of the first and the last good row read
    qint64 rows = 0, skipped = 0;
    qint64 firstSkippedLine = 0; // counted from 1, the header being line 1
    RowFault firstFault = RowFault::Fields;
    QList<Checkpoint> index; // of a whole read, to start a later read near a time
};

struct TrendRequest {
    QList<int> columns; // of Trend::columns; none: every one
    // Only rows from..to (milliseconds since the epoch), started near `from` by the index.
    std::optional<std::pair<qint64, qint64>> range;
    QList<Checkpoint> index;
};

// Reads a recording in chunks: memory stays bounded and the time is linear in the file's
// size, whatever the file holds. A value column is one the header names and that holds no
// words; a row is good when it has the header's number of fields, a time, a number in every
// value column, and is in time order; other rows are counted and left out.
class TrendReader {
  public:
    static constexpr qint64 ChunkBytes = 1 << 20;
    static constexpr qint64 MaxLineBytes = 4 << 20;
    static constexpr int MaxColumns = 50000;
    // Cells of the decimator; a file of many columns gets fewer spans a column.
    static constexpr qint64 CellBudget = 1 << 20;
    static constexpr int MaxBuckets = 2048, MinBuckets = 16;
    static constexpr int IndexSize = 4096;

    explicit TrendReader(QIODevice& in) : m_in(in) {}

    // Told after each chunk: the bytes read of those to read.
    std::function<void(qint64 done, qint64 total)> onProgress;
    // Told once the header is read.
    std::function<void(const QStringList& columns)> onColumns;

    Trend read(const TrendRequest& request = {});
    void cancel() { m_cancel = true; } // from any thread; read() stops at its next chunk

  private:
    QIODevice& m_in;
    std::atomic<bool> m_cancel = false;
};

} // namespace kliv::files
