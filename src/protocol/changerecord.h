#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

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

struct ChangeLog {
    QList<ChangeRecord> records; // in file order
    QStringList warnings;        // one per line that could not be read, naming it
};

// Every line that holds a record; blank lines are passed over, any other line that is no
// record (cut short by a crash, edited by hand) is skipped with a warning.
ChangeLog readLines(const QByteArray& bytes);

} // namespace kliv::changes
