#include "link/changejournal.h"

#include "link/engine.h"
#include "link/jobs/accountingresetjob.h"
#include "link/jobs/calibrationjob.h"
#include "link/jobs/clocksetjob.h"
#include "link/jobs/protectionresetjob.h"
#include "link/jobs/rawjob.h"
#include "link/jobs/recordedcalibrationjob.h"
#include "link/jobs/recordedconfigwritejob.h"
#include "link/jobs/rs485speedjob.h"
#include "protocol/frame.h"
#include "protocol/speeds.h"

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

const char* jobName(const Job& job) {
    if (qobject_cast<const ConfigWriteJob*>(&job))
        return changes::ConfigWrite;
    if (qobject_cast<const CalibrationJob*>(&job))
        return changes::CalibrationWrite;
    if (qobject_cast<const Rs485SpeedJob*>(&job))
        return changes::Rs485Speed;
    if (qobject_cast<const ClockSetJob*>(&job))
        return changes::ClockSet;
    if (qobject_cast<const ProtectionResetJob*>(&job))
        return changes::ProtectionReset;
    if (qobject_cast<const AccountingResetJob*>(&job))
        return changes::AccountingReset;
    if (const auto* raw = qobject_cast<const RawJob*>(&job);
        raw && frame::effectOf(raw->kind(), raw->payload()) == frame::Effect::Changes)
        return changes::RawRequest;
    return nullptr;
}

QString coefficientsText(const calibration::Coefficients& k) {
    QStringList parts;
    for (int c = 0; c < calibration::ChannelCount; ++c)
        parts << QStringLiteral("%1 %2").arg(calibration::labelOf(c)).arg(k[c]);
    return QStringLiteral("коэффициенты: ") + parts.join(QStringLiteral(", "));
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
        if (const auto r = recordOf(*job, engine)) {
            QString reason;
            if (append(*r, &reason))
                Q_EMIT recorded(*r);
            else
                Q_EMIT appendFailed(reason);
        }
    });
}

std::optional<changes::ChangeRecord> ChangeJournal::recordOf(const Job& job, const Engine& engine) {
    const char* name = jobName(job);
    if (!name)
        return std::nullopt;
    changes::ChangeRecord r;
    r.time = QDateTime::currentDateTime();
    r.serial = job.serial();
    r.port = engine.portName();
    r.job = QString::fromLatin1(name);
    r.outcome = outcomeOf(job);
    r.detail = job.failureDetail();
    if (const auto* speed = qobject_cast<const Rs485SpeedJob*>(&job)) {
        const int index = speed->speedIndex();
        const QString asked =
            index >= 0 && index < speeds::Count
                ? QStringLiteral("скорость RS485 %1 бод").arg(speeds::Baud[std::size_t(index)])
                : QStringLiteral("скорость RS485 №%1").arg(index);
        r.detail = r.detail.isEmpty() ? asked : asked + u'\n' + r.detail;
    } else if (const auto* raw = qobject_cast<const RawJob*>(&job)) {
        // What was sent is all the journal can know of a typed request.
        const QString sent = QStringLiteral("запрос вида %1: %2")
                                 .arg(raw->kind())
                                 .arg(raw->payload().isEmpty() ? QStringLiteral("без данных")
                                                               : frame::hex(raw->payload()));
        r.detail = r.detail.isEmpty() ? sent : sent + u'\n' + r.detail;
    } else if (const auto* recorded = qobject_cast<const RecordedConfigWriteJob*>(&job)) {
        r.before = recorded->before();
        r.after = recorded->after();
    } else if (const auto* calibration = qobject_cast<const CalibrationJob*>(&job)) {
        if (job.phase() == Job::Phase::Succeeded)
            r.detail = coefficientsText(calibration->result().coefficients);
        // A calibration that ended before its write changed nothing: no block to go back to.
        if (const auto* recorded = qobject_cast<const RecordedCalibrationJob*>(&job);
            recorded && recorded->writeSent()) {
            r.before = recorded->before();
            r.after = recorded->after();
        }
    }
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

std::optional<changes::ChangeRecord> ChangeJournal::lastWrite(int serial) const {
    const changes::ChangeLog log = read();
    for (auto it = log.records.crbegin(); it != log.records.crend(); ++it)
        if (it->serial == serial &&
            (it->job == QLatin1String(changes::ConfigWrite) ||
             it->job == QLatin1String(changes::CalibrationWrite)) &&
            it->before.size() == config::BlockSize)
            return *it;
    return std::nullopt;
}

} // namespace kliv
