#pragma once

#include "files/changerecord.h"
#include "model/configschema.h"

#include <QObject>
#include <QString>
#include <optional>

namespace kliv {

class Engine;
class Job;

// The change journal: one line for every job that changes a relay, appended and flushed
// as the job ends, never rewritten. It lives in the user's data folder, under
// "kliv-service" (or in KLIV_DATA_DIR when set), so that the window and the command-line
// tool add to the same journal.
class ChangeJournal : public QObject {
    Q_OBJECT
  public:
    explicit ChangeJournal(const QString& path, QObject* parent = nullptr);

    static QString defaultPath();
    // The engine's journal at the default path, created and hooked to it on first use.
    static ChangeJournal* of(Engine& engine);

    QString path() const { return m_path; }

    // Records jobs that change the relay as they end on `engine`.
    void attach(Engine& engine);
    // The line for a job that has ended on `port`, as the job describes its change; none
    // for a job that changes nothing.
    static std::optional<changes::ChangeRecord> recordOf(const Job& job, const QString& port);

    // Appends one line and flushes it; false (with the reason) when it could not.
    bool append(const changes::ChangeRecord& r, QString* reason = nullptr);
    // Everything readable; a missing file is an empty journal.
    changes::ChangeLog read() const;
    // What backing out the last write of the relay `serial` would write. Only the newest
    // configuration or calibration write of that relay that changed it may be backed out,
    // and only when it is whole: a damaged line after it that may be that relay's (its
    // serial number unreadable, or this one) may be a newer write, so nothing is written.
    struct Undo {
        std::optional<changes::ChangeRecord> write;  // its block before is whole
        std::optional<changes::DamagedLine> damaged; // the newest that stops the undo
        QStringList warnings;                        // the journal's own, every one
    };
    Undo undo(int serial) const;

  Q_SIGNALS:
    void recorded(const kliv::changes::ChangeRecord& r);
    void appendFailed(const QString& reason);

  private:
    QString m_path;
};

} // namespace kliv
