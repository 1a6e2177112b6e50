#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// One line of the change journal: a job that changed (or tried to change) a relay. The
// journal is JSON lines, so that a line cut short by a crash costs only itself.
namespace kliv::changes {

// What the jobs are called in the journal.
inline constexpr char ConfigWrite[] = "config-write";
inline constexpr char CalibrationWrite[] = "calibration-write";
inline constexpr char Rs485Speed[] = "rs485-speed";
inline constexpr char ClockSet[] = "clock-set";
inline constexpr char ProtectionReset[] = "protection-reset";
inline constexpr char AccountingReset[] = "accounting-reset";
// A service request sent as typed (kliv-cli raw) that changes the relay.
inline constexpr char RawRequest[] = "raw";

// How they ended.
inline constexpr char Done[] = "done";

struct ChangeRecord {
    QDateTime time;
    int serial = 0;
    QString port;
    QString job;
    QString outcome;          // Done, or why not ("no-answer", "refused", "mismatch", ...)
    QString detail;           // the reason's text, or what was set
    QByteArray before, after; // configuration blocks; empty when not known
    bool operator==(const ChangeRecord&) const = default;
};

// One JSON object on one line, ending in '\n'; the blocks as hexadecimal text.
QByteArray toLine(const ChangeRecord& r);

// A line that holds no record: cut short by a crash, edited by hand.
struct DamagedLine {
    int line = 0;              // counted from 1
    int recordsBefore = 0;     // the records the journal holds before it
    std::optional<int> serial; // the relay it names, when that much of it can be read
    QString why;
};

struct ChangeLog {
    QList<ChangeRecord> records;  // in file order
    QList<DamagedLine> damaged;   // in file order
    QStringList warnings() const; // one per damaged line, naming it
};

// Every line that holds a whole record; blank lines are passed over, any other line is
// damaged. A block must be a whole configuration block, and a block after a change comes
// only with the block before it.
ChangeLog readLines(const QByteArray& bytes);

} // namespace kliv::changes
