#pragma once

#include "link/port.h"
#include "model/configschema.h"
#include "model/problem.h"

#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>

namespace kliv {

// What a job does, so that the front ends can say how it ended in its own words.
enum class Task {
    Version,
    LiveStatus,
    Poll,
    ClockSet,
    ProtectionReset,
    ConfigRead,
    ConfigWrite,
    Calibration,
    Rs485Speed,
    EventLog,
    AccountingRead,
    AccountingReset,
    Search,
    SaveProtocol,
    Raw,
    LineScan, // every relay on a shared line
    Overview, // the live status of each relay of a line in turn
};

// Why a job ended without its result.
enum class Failure {
    NoAnswer,      // the relay did not answer in time, on any try
    LineLost,      // the device vanished while the line was open
    PortNotOpened, // the port could not be opened; nothing was sent
    RefusedInput,  // a value cannot be sent as it stands; nothing was sent
    Cancelled,     // the job gave way to another one before it ended
    Mismatch,      // the relay answered, but does not hold what was sent
    ShortReply,    // the relay answered with less than such a reply holds
};

// How a job that did not succeed ended, as data: the front ends put it into words.
struct Outcome {
    Task task = Task::Raw;
    Failure reason = Failure::NoAnswer;
    QString port;                          // PortNotOpened (empty: none chosen), LineLost
    OpenError openError = OpenError::None; // PortNotOpened
    QString systemText;                    // PortNotOpened: the system's own words
    QList<Problem> problems;               // RefusedInput: each names its field
    // Mismatch: what was written against what the relay holds, field by field; none when
    // the relay did not even confirm the write.
    QList<config::FieldDifference> differences;
    int replyLength = 0, expectedLength = 0; // ShortReply: payload bytes got and needed
    bool operator==(const Outcome&) const = default;
};

} // namespace kliv

Q_DECLARE_METATYPE(kliv::Failure)
Q_DECLARE_METATYPE(kliv::Outcome)
