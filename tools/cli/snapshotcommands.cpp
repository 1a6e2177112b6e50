#include "snapshotcommands.h"

#include "outputfile.h"

#include "files/comtrade.h"
#include "link/jobs/polljob.h"

#include <QDateTime>
#include <QRegularExpression>

namespace kliv::cli {

namespace {

// Polls until the first complete waveform of the view and saves it as a COMTRADE record,
// as the window's "Снимок…" saves the one the chart shows.
Prepared snapshot(const CommandLine& cl) {
    if (cl.args.size() != 1)
        return {QStringLiteral("snapshot BASENAME [--view A|AB|ABC]"), {}};
    QString base = cl.args.first();
    base.remove(QRegularExpression(QStringLiteral("\\.(cfg|dat)$"),
                                   QRegularExpression::CaseInsensitiveOption));
    for (const char* ext : {".cfg", ".dat"})
        if (const QString why =
                outputFileProblem(QStringLiteral("snapshot BASENAME"), base + QLatin1String(ext));
            !why.isEmpty())
            return {why, {}};
    const QStringList views{QStringLiteral("A"), QStringLiteral("AB"), QStringLiteral("ABC")};
    const int view = cl.isSet(QStringLiteral("view"))
                         ? int(views.indexOf(cl.value(QStringLiteral("view")).toUpper())) + 1
                         : 1;
    if (view < 1)
        return {QStringLiteral("snapshot --view: A, AB или ABC."), {}};

    return {{}, [base, view](Runner& r) {
                auto* job = new PollJob(view);
                auto saved = std::make_shared<QString>();
                QObject::connect(job, &PollJob::waveformReady, &r,
                                 [&r, job, base, saved](const WaveformStore& samples) {
                                     if (!saved->isEmpty())
                                         return;
                                     const comtrade::Snapshot s{
                                         job->serial(), QDateTime::currentDateTime(), samples};
                                     if (const QString why = comtrade::write(base, s);
                                         !why.isEmpty()) {
                                         r.fail(NoAnswer, msg::snapshotNotSaved(base), why);
                                         return;
                                     }
                                     *saved = base;
                                     r.engine().stopPoll();
                                 });
                return r.run<PollJob>(
                    job, [&r, saved](PollJob&) { r.printBox(msg::snapshotSaved(*saved)); });
            }};
}

} // namespace

QList<Command> snapshotCommands() {
    return {{QStringLiteral("snapshot"),
             QStringLiteral("BASENAME [--view A|AB|ABC]: осциллограмма в файлы COMTRADE "
                            "BASENAME.cfg и BASENAME.dat"),
             snapshot,
             {{QStringLiteral("view"), QStringLiteral("осциллограмма A|AB|ABC (A)"),
               QStringLiteral("V")}},
             1}};
}

} // namespace kliv::cli
