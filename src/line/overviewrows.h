#pragma once

#include "protocol/status.h"
#include "texts/numfmt.h"

#include <QList>
#include <QStringList>
#include <optional>

namespace kliv {

// One relay's row of the overview, as its answers have left it.
struct OverviewRow {
    int serial = 0;
    std::optional<LiveStatus> last; // the last good record
    qint64 lastGoodMs = -1;         // when it came, on the window's clock
    int repeats = 0;
    int losses = 0;      // turns that ended without a good record
    bool silent = false; // its last turn did: marked until it answers again
};

// The overview's rows, one a relay, in the order of the list; each change returns the
// row it changed, -1 for a serial number that is none of the list's.
class OverviewRows {
  public:
    enum Column { Serial, Ua, Ub, Uc, Ia, Ib, Ic, Cos, Protection, Link, Age, Repeats, Losses };

    explicit OverviewRows(const QList<int>& serials = {});

    static QStringList headers();

    const QList<OverviewRow>& rows() const { return m_rows; }
    int indexOf(int serial) const;
    int answered(int serial, const LiveStatus& record, qint64 nowMs);
    int silent(int serial);
    int repeated(int serial);

    // The row's cells in column order; values stay those of the last good record.
    QStringList cells(int row, qint64 nowMs, const NumberLocale& loc) const;

  private:
    QList<OverviewRow> m_rows;
};

} // namespace kliv
