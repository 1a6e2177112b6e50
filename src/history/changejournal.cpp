#include "history/changejournal.h"

#include "link/engine.h"
#include "texts/changetexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace kliv {

namespace {

const QString FileName = QStringLiteral("changes.jsonl");
// The window and the command-line tool have names of their own; the journal is shared.
const QString Folder = QStringLiteral("kliv-service");

QString outcomeOf(const Job& job) {
    if (job.phase() == Job::Phase::Succeeded)
        return QString::fromLatin1(changes::Done);
    switch (job.failure()) {
    case Failure::NoAnswer:
        return QStringLiteral("no-answer");
    case Failure::LineLost:
        return QStringLiteral("line-lost");
    case Failure::PortNotOpened:
        return QStringLiteral("port-not-opened");
    case Failure::RefusedInput:
        return QStringLiteral("refused");
    case Failure::Cancelled:
        return QStringLiteral("cancelled");
    case Failure::ShortReply:
        return QStringLiteral("short-reply");
    case Failure::Mismatch:
        break;
    }
    return QStringLiteral("mismatch");
}

// What the journal calls the jobs that change a relay.
const char* jobName(Task task) {
    switch (task) {
    case Task::ConfigWrite:
        return changes::ConfigWrite;
    case Task::Calibration:
        return changes::CalibrationWrite;
    case Task::Rs485Speed:
        return changes::Rs485Speed;
    case Task::ClockSet:
        return changes::ClockSet;
    case Task::ProtectionReset:
        return changes::ProtectionReset;
    case Task::AccountingReset:
        return changes::AccountingReset;
    case Task::Raw:
        return changes::RawRequest;
    default:
        return nullptr;
    }
}

} // namespace

ChangeJournal::ChangeJournal(const QString& path, QObject* parent)
    : QObject(parent), m_path(path) {}

QString ChangeJournal::defaultPath() {
    QString dir = qEnvironmentVariable("KLIV_DATA_DIR");
    if (dir.isEmpty())
        dir = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
                  .filePath(Folder);
    return QDir(dir).filePath(FileName);
}

ChangeJournal* ChangeJournal::of(Engine& engine) {
    if (auto* existing = engine.findChild<ChangeJournal*>(QString(), Qt::FindDirectChildrenOnly))
        return existing;
    auto* journal = new ChangeJournal(defaultPath(), &engine);
    journal->attach(engine);
    return journal;
}

void ChangeJournal::attach(Engine& engine) {
    connect(&engine, &Engine::jobEnded, this, [this, &engine](Job* job) {
        if (const auto r = recordOf(*job, engine.portName())) {
            QString reason;
            if (append(*r, &reason))
                Q_EMIT recorded(*r);
            else
                Q_EMIT appendFailed(reason);
        }
    });
}

std::optional<changes::ChangeRecord> ChangeJournal::recordOf(const Job& job, const QString& port) {
    const std::optional<RelayChange> change = job.change();
    const char* name = jobName(job.task());
    if (!change || !name)
        return std::nullopt;
    const bool done = job.phase() == Job::Phase::Succeeded;
    changes::ChangeRecord r;
    r.time = QDateTime::currentDateTime();
    r.serial = job.serial();
    r.port = port;
    r.job = QString::fromLatin1(name);
    r.outcome = outcomeOf(job);
    r.detail = msg::changeDetail(job.task(), *change, done ? nullptr : &job.outcome());
    r.before = change->before;
    r.after = change->after;
    return r;
}

// A crash may have left the last line without its end; the new line starts on a line of
// its own, so the cut line costs only itself.
bool ChangeJournal::append(const changes::ChangeRecord& r, QString* reason) {
    const QFileInfo info(m_path);
    if (!QDir().mkpath(info.absolutePath())) {
        if (reason)
            *reason = QStringLiteral("не создана папка %1").arg(info.absolutePath());
        return false;
    }
    QFile file(m_path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append)) {
        if (reason)
            *reason = file.errorString();
        return false;
    }
    QByteArray line = changes::toLine(r);
    if (file.size() > 0) {
        file.seek(file.size() - 1);
        if (file.read(1) != "\n")
            line.prepend('\n');
    }
    if (file.write(line) != line.size() || !file.flush()) {
        if (reason)
            *reason = file.errorString();
        return false;
    }
    return true;
}

changes::ChangeLog ChangeJournal::read() const {
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return changes::readLines(file.readAll());
}

ChangeJournal::Undo ChangeJournal::undo(int serial) const {
    const changes::ChangeLog log = read();
    Undo out;
    out.warnings = log.warnings();
    // A write that read nothing wrote nothing, and leaves nothing to back out.
    qsizetype newest = log.records.size() - 1;
    for (; newest >= 0; --newest) {
        const changes::ChangeRecord& r = log.records.at(newest);
        if (r.serial == serial && !r.before.isEmpty() &&
            (r.job == QLatin1String(changes::ConfigWrite) ||
             r.job == QLatin1String(changes::CalibrationWrite)))
            break;
    }
    for (const changes::DamagedLine& d : log.damaged)
        if (d.recordsBefore > newest && (!d.serial || *d.serial == serial))
            out.damaged = d;
    if (!out.damaged && newest >= 0)
        out.write = log.records.at(newest);
    return out;
}

} // namespace kliv
