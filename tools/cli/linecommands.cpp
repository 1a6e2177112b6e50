#include "linecommands.h"

#include "link/jobs/linescanjob.h"
#include "model/seriallist.h"
#include "texts/linetexts.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QTextStream>

namespace kliv::cli {

namespace {

// Progress on stderr every so many probes: a scan of the default range takes most of a
// minute at the fastest speed.
constexpr int ProgressEvery = 100;

// The relays a command works on: a list given, or the numbers to scan.
struct Relays {
    QString error;
    QList<int> serials;
    bool given = false; // --serials: no scan needed before the files
};

Relays relaysOf(const CommandLine& cl) {
    const QString from = QStringLiteral("from"), to = QStringLiteral("to");
    if (cl.isSet(QStringLiteral("serials"))) {
        if (cl.isSet(from) || cl.isSet(to))
            return {QStringLiteral("--serials и --from/--to не указываются вместе."), {}, true};
        const serials::ParsedList list = serials::parseList(cl.value(QStringLiteral("serials")));
        return {msg::serialListProblem(list), list.serials, true};
    }
    int a = 0, b = 0;
    if (!parseInt(cl.value(from), 0, INT_MAX, &a) || !parseInt(cl.value(to), 0, INT_MAX, &b))
        return {QStringLiteral("--from и --to: целые числа."), {}, false};
    return {msg::serialRangeProblem(a, b), serials::range(a, b), false};
}

QJsonObject relayJson(const LineScanJob::Relay& relay) {
    QJsonObject o{{QStringLiteral("serial"), relay.serial},
                  {QStringLiteral("probed"), relay.probed}};
    o[QStringLiteral("version")] = relay.versionRead ? QJsonValue(relay.version) : QJsonValue();
    return o;
}

LineScanJob* scanJob(Runner& r, const QList<int>& serials) {
    auto* job = new LineScanJob(serials);
    QObject::connect(job, &LineScanJob::progressChanged, &r, [](int probed, int total, int msLeft) {
        if (probed % ProgressEvery == 0 && probed < total)
            QTextStream(stderr) << msg::scanProgress(probed, total, msLeft) << Qt::endl;
    });
    return job;
}

QList<int> serialsOf(const QList<LineScanJob::Relay>& relays) {
    QList<int> out;
    for (const LineScanJob::Relay& relay : relays)
        out.append(relay.serial);
    return out;
}

Prepared scan(const CommandLine& cl) {
    const Relays relays = relaysOf(cl);
    if (!relays.error.isEmpty())
        return {relays.error, {}};
    return {{}, [serials = relays.serials](Runner& r) {
                return r.run<LineScanJob>(scanJob(r, serials), [&r](LineScanJob& job) {
                    for (const LineScanJob::Relay& relay : job.relays()) {
                        if (r.json())
                            r.printJson(relayJson(relay));
                        else
                            r.print(msg::scanLine(relay));
                    }
                    // On lines of their own, after the relays found.
                    for (const LineScanJob::Damaged& d : job.damaged()) {
                        if (r.json())
                            r.printJson({{QStringLiteral("serial"), d.serial},
                                         {QStringLiteral("damaged"), d.answers}});
                        else
                            r.print(msg::damagedLine(d));
                    }
                    if (job.relays().isEmpty())
                        r.fail(NoAnswer, msg::scanNothingFound());
                });
            }};
}

// One line a relay as its file is written, then the count; exit 0 only when every
// relay's file was written.
void saveFiles(Runner& r, BatchSaver::Kind kind, const QString& folder, const QList<int>& serials,
               const QString& templatePath) {
    auto* saver = new BatchSaver(r.engine(), kind, folder, serials, templatePath, &r);
    QObject::connect(saver, &BatchSaver::relayDone, &r, [&r](const RelayFile& f) {
        if (!r.json()) {
            r.print(
                msg::batchLine(f.serial, f.path, f.failure ? &*f.failure : nullptr, f.fileError));
            return;
        }
        QJsonObject o{{QStringLiteral("serial"), f.serial}};
        if (f.written()) {
            o[QStringLiteral("file")] = f.path;
        } else if (f.failure) {
            const msg::Report rep = msg::forFailure(*f.failure);
            o[QStringLiteral("error")] = rep.message.text;
            if (!rep.detail.isEmpty())
                o[QStringLiteral("detail")] = rep.detail;
        } else {
            o[QStringLiteral("file")] = f.path;
            o[QStringLiteral("error")] = f.fileError;
        }
        r.printJson(o);
    });
    QObject::connect(saver, &BatchSaver::finished, &r, [&r, saver] {
        int written = 0;
        for (const RelayFile& f : saver->results())
            written += f.written() ? 1 : 0;
        const QList<int>& all = saver->serials();
        for (qsizetype i = saver->results().size(); i < all.size(); ++i) {
            if (r.json())
                r.printJson(
                    {{QStringLiteral("serial"), all.at(i)}, {QStringLiteral("tried"), false}});
            else
                r.print(msg::batchNotTried(all.at(i)));
        }
        if (r.json())
            r.printJson({{QStringLiteral("written"), written},
                         {QStringLiteral("relays"), int(all.size())}});
        else
            r.print(msg::batchSummary(written, int(all.size())).text);
        r.finish(written == all.size() ? Done : NoAnswer);
    });
    saver->start();
}

QString folderProblem(const QString& folder) {
    if (folder.trimmed().isEmpty())
        return QStringLiteral("--all: не указана папка.");
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir())
        return QStringLiteral("--all: %1 — файл, а не папка.").arg(folder);
    if (!QDir().mkpath(folder))
        return QStringLiteral("--all: папку %1 не удалось создать.").arg(folder);
    if (!QFileInfo(folder).isWritable())
        return QStringLiteral("--all: нет права записи в %1.").arg(folder);
    return {};
}

} // namespace

Prepared everyRelay(const CommandLine& cl, BatchSaver::Kind kind, const QString& templatePath) {
    const QString folder = cl.value(QStringLiteral("all"));
    const Relays relays = relaysOf(cl);
    if (!relays.error.isEmpty())
        return {relays.error, {}};
    if (const QString why = folderProblem(folder); !why.isEmpty())
        return {why, {}};
    return {{}, [kind, folder, templatePath, relays](Runner& r) {
                if (relays.given)
                    return r.runLoop([&r, kind, folder, templatePath, relays] {
                        saveFiles(r, kind, folder, relays.serials, templatePath);
                    });
                return r.runFirst<LineScanJob>(
                    scanJob(r, relays.serials), [&r, kind, folder, templatePath](LineScanJob& job) {
                        if (job.relays().isEmpty()) {
                            r.fail(NoAnswer, msg::scanNothingFound());
                            return;
                        }
                        saveFiles(r, kind, folder, serialsOf(job.relays()), templatePath);
                    });
            }};
}

QList<QCommandLineOption> relayOptions() {
    return {
        {QStringLiteral("from"), QStringLiteral("первый заводской номер (100)"),
         QStringLiteral("A"), QString::number(serials::ScanFrom)},
        {QStringLiteral("to"), QStringLiteral("последний заводской номер (999)"),
         QStringLiteral("B"), QString::number(serials::ScanTo)},
        {QStringLiteral("serials"),
         QStringLiteral("заводские номера через запятую, вместо --from/--to"),
         QStringLiteral("LIST")},
    };
}

QList<QCommandLineOption> everyRelayOptions(const QString& file) {
    return QList<QCommandLineOption>{{QStringLiteral("all"),
                                      QStringLiteral("%1 каждого реле на линии в папку DIR; "
                                                     "реле найдет поиск или назовет --serials")
                                          .arg(file),
                                      QStringLiteral("DIR")}} +
           relayOptions();
}

QList<Command> lineCommands() {
    return {{QStringLiteral("scan"),
             QStringLiteral("реле на линии: номера --from A --to B или --serials LIST; по "
                            "строке на реле: номер, версия"),
             scan, relayOptions()}};
}

} // namespace kliv::cli
