#include "changecommands.h"

#include "history/changejournal.h"
#include "options.h"
#include "texts/settingsmessages.h"

#include <QJsonDocument>
#include <QTextStream>

namespace kliv::cli {

namespace {

QString recordLine(const changes::ChangeRecord& r) {
    QString line = QStringLiteral("%1  №%2  %3  %4  %5")
                       .arg(r.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                       .arg(r.serial)
                       .arg(r.port, r.job, r.outcome);
    if (!r.detail.isEmpty())
        line += QStringLiteral("  ") +
                QString(r.detail).replace(QLatin1Char('\n'), QStringLiteral("; "));
    return line;
}

QJsonObject recordJson(const changes::ChangeRecord& r) {
    return QJsonDocument::fromJson(changes::toLine(r)).object();
}

Prepared journal(const CommandLine& cl) {
    if (cl.args.size() != 0)
        return {QStringLiteral("journal [--serial N]"), {}};
    std::optional<int> only;
    if (cl.isSet(QStringLiteral("serial"))) {
        int serial = 0;
        if (const QString why = option::serialProblem(cl.value(QStringLiteral("serial")), &serial);
            !why.isEmpty())
            return {why, {}};
        only = serial;
    }
    // Read before the line is touched, so that a journal that cannot be read is told at once.
    return {{}, [only](Runner& r) {
                const ChangeJournal journal(ChangeJournal::defaultPath());
                const changes::ChangeLog log = journal.read();
                for (const QString& w : log.warnings())
                    QTextStream(stderr) << journal.path() << ": " << w << Qt::endl;
                for (const changes::ChangeRecord& rec : log.records)
                    if (!only || rec.serial == *only) {
                        if (r.json())
                            r.printJson(recordJson(rec));
                        else
                            r.print(recordLine(rec));
                    }
                return int(Done);
            }};
}

} // namespace

QList<Command> changeCommands() {
    return {{QStringLiteral("journal"),
             QStringLiteral("журнал изменений реле: [--serial N] только это реле"),
             journal,
             {{QStringLiteral("serial"),
               QStringLiteral("только записи реле с этим заводским номером"), QStringLiteral("N")},
              option::json()},
             0,
             true}};
}

// The journal is opened once the command runs, so a command refused before that leaves no
// trace, and one that changes nothing writes nothing.
QList<Command> recordingChanges(const QList<Command>& commands) {
    QList<Command> out;
    for (Command c : commands) {
        c.prepare = [prepare = c.prepare](const CommandLine& cl) {
            Prepared p = prepare(cl);
            if (p.run)
                p.run = [run = p.run](Runner& r) {
                    ChangeJournal* journal = ChangeJournal::of(r.engine());
                    QObject::connect(journal, &ChangeJournal::appendFailed, &r,
                                     [journal](const QString& reason) {
                                         QTextStream(stderr)
                                             << msg::journalNotWritten().text << ' '
                                             << journal->path() << ": " << reason << Qt::endl;
                                     });
                    return run(r);
                };
            return p;
        };
        out.append(c);
    }
    return out;
}

} // namespace kliv::cli
