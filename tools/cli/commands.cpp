#include "commands.h"

#include "calibrationcommands.h"
#include "changecommands.h"
#include "configcommands.h"
#include "files/liverecorder.h"
#include "journalcommands.h"
#include "linecommands.h"
#include "link/jobs/clocksetjob.h"
#include "link/jobs/livestatusjob.h"
#include "link/jobs/polljob.h"
#include "link/jobs/protectionresetjob.h"
#include "link/jobs/rawjob.h"
#include "link/jobs/versionjob.h"
#include "link/serialport.h"
#include "liveoutput.h"
#include "options.h"
#include "outputfile.h"
#include "protocol/frame.h"
#include "reportcommands.h"
#include "searchcommands.h"
#include "snapshotcommands.h"
#include "texts/livecsv.h"
#include "texts/numfmt.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <memory>
#include <optional>
#include <utility>

namespace kliv::cli {

namespace {

std::atomic_bool interrupted = false;

void onSignal(int) {
    interrupted = true;
}

Prepared bad(const QString& why) {
    return {why, {}};
}

// The paths given are listed first, whether or not they open, as the windows' lists do.
Prepared ports(const CommandLine& cl) {
    const QStringList given = cl.parser.values(QStringLiteral("port"));
    // An empty name would quietly stand for no port at all.
    for (const QString& port : given)
        if (port.trimmed().isEmpty())
            return bad(QStringLiteral("--port: не указан порт."));
    return {{}, [given](Runner& r) {
                const QStringList found = SerialPort::openablePorts(given);
                QTextStream out(stdout);
                if (r.json())
                    out << QJsonDocument(QJsonArray::fromStringList(found))
                               .toJson(QJsonDocument::Compact)
                        << Qt::endl;
                else
                    for (const QString& p : found)
                        out << p << Qt::endl;
                if (found.isEmpty() && !r.json())
                    QTextStream(stderr) << msg::noPortFound().text << Qt::endl;
                return int(Done);
            }};
}

Prepared version(const CommandLine&) {
    return {{}, [](Runner& r) {
                return r.run<VersionJob>(new VersionJob, [&r](VersionJob& job) {
                    if (r.json())
                        r.printJson({{QStringLiteral("version"), job.text()}});
                    else
                        r.print(job.text());
                });
            }};
}

Prepared status(const CommandLine&) {
    return {{}, [](Runner& r) {
                return r.run<LiveStatusJob>(new LiveStatusJob, [&r](LiveStatusJob& job) {
                    if (r.json())
                        r.printJson(liveJson(job.record()));
                    else
                        r.print(liveText(job.record(), NumberLocale::system()));
                });
            }};
}

Prepared poll(const CommandLine& cl) {
    int count = 0;
    if (!parseInt(cl.value(QStringLiteral("count")), 0, 100000000, &count))
        return bad(QStringLiteral("--count: целое число не меньше 0."));
    const QString v = cl.value(QStringLiteral("view")).toUpper();
    const int view = QStringList{QStringLiteral("NONE"), QStringLiteral("A"), QStringLiteral("AB"),
                                 QStringLiteral("ABC")}
                         .indexOf(v);
    if (view < 0)
        return bad(QStringLiteral("--view: none, A, AB или ABC."));
    // The poll's own lines hold standard output: its CSV goes only to a file.
    const QString csv = cl.value(QStringLiteral("csv"));
    if (cl.isSet(QStringLiteral("csv")) && (csv.isEmpty() || csv == option::Stdout))
        return bad(QStringLiteral("poll --csv FILE: запись текущих данных в файл CSV."));
    if (!csv.isEmpty())
        if (const QString why = outputFileProblem(QStringLiteral("--csv"), csv); !why.isEmpty())
            return bad(why);

    return {
        {}, [count, view, csv](Runner& r) {
            auto* job = new PollJob(view);
            // The recording is on a thread of its own; the poll only hands records over.
            std::shared_ptr<files::LiveRecorder> recorder;
            auto recorded = std::make_shared<std::optional<files::Recording>>();
            if (!csv.isEmpty()) {
                QString why;
                recorder = files::LiveRecorder::start(
                    csv, liverecord::format(NumberLocale::system()), &why);
                if (!recorder) {
                    r.fail(NoAnswer, msg::recordingNotStarted(csv), why);
                    return int(NoAnswer);
                }
                QObject::connect(job, &PollJob::liveStatus, &r, [recorder](const LiveStatus& s) {
                    recorder->add(QDateTime::currentDateTime(), s);
                });
            }
            // Once, whichever end comes first; the recording's failure ends the run with 1.
            // Weak: the recorder holds this as its own signal's handler.
            auto finishRecording = [&r, weak = std::weak_ptr(recorder), recorded, csv] {
                const std::shared_ptr<files::LiveRecorder> recorder = weak.lock();
                if (!recorder || *recorded)
                    return true;
                *recorded = recorder->stop();
                if ((*recorded)->whole())
                    return true;
                r.fail(NoAnswer, msg::recordingFailed(csv), msg::recordingFailure(**recorded));
                return false;
            };
            if (recorder)
                QObject::connect(recorder.get(), &files::LiveRecorder::failed, &r, finishRecording);
            auto records = std::make_shared<int>(0);
            auto clock = std::make_shared<QElapsedTimer>();
            const NumberLocale loc = NumberLocale::system();
            // Once: a failed recording ends the run, and the poll with it, which succeeds.
            auto summary = [&r, records, clock, loc, recorded, csv,
                            done = std::make_shared<bool>(false)] {
                if (std::exchange(*done, true))
                    return;
                const double seconds = clock->isValid() ? clock->nsecsElapsed() / 1e9 : 0.0;
                const double rate = seconds > 0 ? *records / seconds : 0.0;
                const std::optional<files::Recording>& written = *recorded;
                if (r.json()) {
                    QJsonObject o{{QStringLiteral("records"), *records},
                                  {QStringLiteral("seconds"), seconds},
                                  {QStringLiteral("recordsPerSecond"), rate}};
                    if (written)
                        o[QStringLiteral("written")] = written->written;
                    r.printJson(o);
                    return;
                }
                r.print(QStringLiteral("Записей: %1 за %2 с, %3 записей/с")
                            .arg(*records)
                            .arg(numfmt::format(seconds, u"0.000", loc))
                            .arg(numfmt::format(rate, u"0.0", loc)));
                // Never "written" unless the file holds it all.
                if (written && written->whole())
                    r.print(msg::recordingStopped(csv, written->written, written->received).text);
            };
            QObject::connect(job, &PollJob::liveStatus, &r,
                             [&r, records, clock, count, loc](const LiveStatus& s) {
                                 if (!clock->isValid())
                                     clock->start();
                                 ++*records;
                                 if (r.json())
                                     r.printJson(liveJson(s));
                                 else
                                     r.print(liveLine(s, loc));
                                 if (count > 0 && *records >= count)
                                     r.engine().stopPoll();
                             });
            // The poll's give-up, a lost line and a failed recording still end with the rate
            // line.
            r.setBeforeFailure([summary, recorder, recorded] {
                if (recorder && !*recorded)
                    *recorded = recorder->stop();
                summary();
            });
            std::signal(SIGINT, onSignal);
            std::signal(SIGTERM, onSignal);
            auto* watch = new QTimer(&r);
            QObject::connect(watch, &QTimer::timeout, &r, [&r] {
                if (interrupted)
                    r.engine().stopPoll();
            });
            watch->start(100);
            return r.run<PollJob>(job, [summary, finishRecording](PollJob&) {
                if (finishRecording())
                    summary();
            });
        }};
}

Prepared clockSet(const CommandLine& cl) {
    int calibration = 0;
    if (!parseInt(cl.value(QStringLiteral("calibration")), -31, 31, &calibration))
        return bad(QStringLiteral("--calibration: от -31 до 31."));
    const bool stop = cl.isSet(QStringLiteral("stop"));
    const bool autoDst = cl.isSet(QStringLiteral("auto-dst"));
    return {{}, [calibration, stop, autoDst](Runner& r) {
                return r.run<ClockSetJob>(new ClockSetJob(calibration, stop, autoDst),
                                          [&r](ClockSetJob&) { r.printBox(msg::clockSet()); });
            }};
}

Prepared protectionReset(const CommandLine&) {
    return {{}, [](Runner& r) {
                return r.run<ProtectionResetJob>(new ProtectionResetJob, [&r](ProtectionResetJob&) {
                    r.printBox(msg::protectionReset());
                });
            }};
}

Prepared raw(const CommandLine& cl) {
    int kind = 0;
    if (cl.args.isEmpty() || cl.args.size() > 2 || !parseInt(cl.args.at(0), 0, 255, &kind))
        return bad(QStringLiteral("raw KIND [HEX]: KIND от 0 до 255."));
    bool ok = true;
    const QByteArray payload =
        cl.args.size() == 2 ? frame::fromHex(cl.args.at(1), &ok) : QByteArray();
    if (!ok || payload.size() > frame::MaxRequestPayload)
        return bad(QStringLiteral("HEX: до 79 байт в шестнадцатеричном виде."));
    switch (frame::effectOf(quint8(kind), payload)) {
    case frame::Effect::Unknown:
        return bad(QStringLiteral("Запрос вида %1 с %2 байт данных устройству неизвестен; он не "
                                  "отправлен.")
                       .arg(kind)
                       .arg(payload.size()));
    case frame::Effect::Changes:
        if (!cl.isSet(QStringLiteral("yes")))
            return bad(QStringLiteral("Запрос вида %1 изменяет данные устройства; подтвердите "
                                      "его параметром --yes.")
                           .arg(kind));
        break;
    case frame::Effect::Reads:
        break;
    }
    return {{}, [kind, payload](Runner& r) {
                return r.run<RawJob>(new RawJob(quint8(kind), payload), [&r](RawJob& job) {
                    const QByteArray f = job.reply();
                    if (r.json())
                        r.printJson({{QStringLiteral("reply"), frame::hex(f)},
                                     {QStringLiteral("kind"), frame::kindOf(f)},
                                     {QStringLiteral("payload"), frame::hex(frame::payloadOf(f))}});
                    else
                        r.print(frame::hex(f));
                });
            }};
}

} // namespace

bool parseInt(const QString& text, int min, int max, int* out) {
    bool ok = false;
    const int v = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                      ? text.mid(2).toInt(&ok, 16)
                      : text.toInt(&ok, 10);
    if (!ok || v < min || v > max)
        return false;
    *out = v;
    return true;
}

QList<QCommandLineOption> Command::allOptions() const {
    if (offline)
        return options;
    return options + option::line();
}

const QList<Command>& commands() {
    static const QList<Command> own = {
        {QStringLiteral("ports"),
         QStringLiteral("порты, которые можно открыть"),
         ports,
         {{QStringLiteral("port"), QStringLiteral("путь, который назвать первым, есть он или нет"),
           QStringLiteral("PATH")},
          option::json()},
         0,
         true},
        {QStringLiteral("version"), QStringLiteral("версия программы МК"), version},
        {QStringLiteral("status"), QStringLiteral("одна запись текущих данных"), status},
        {QStringLiteral("poll"),
         QStringLiteral("опрос: --count N, --view none|A|AB|ABC, --csv FILE (запись текущих "
                        "данных)"),
         poll,
         {{QStringLiteral("count"), QStringLiteral("число записей (0: до Ctrl+C)"),
           QStringLiteral("N"), QStringLiteral("0")},
          {QStringLiteral("view"), QStringLiteral("осциллограммы none|A|AB|ABC"),
           QStringLiteral("V"), QStringLiteral("none")},
          option::csv(QStringLiteral("каждую запись также в файл CSV"))}},
        {QStringLiteral("clock-set"),
         QStringLiteral("корректировка часов по часам ПК: --stop, --calibration N, --auto-dst"),
         clockSet,
         {{QStringLiteral("stop"), QStringLiteral("остановить часы")},
          {QStringLiteral("calibration"), QStringLiteral("калибровка -31..31"), QStringLiteral("N"),
           QStringLiteral("0")},
          {QStringLiteral("auto-dst"), QStringLiteral("авт. перевод часов")}}},
        {QStringLiteral("protection-reset"), QStringLiteral("сброс защиты"), protectionReset},
        {QStringLiteral("raw"),
         QStringLiteral("KIND [HEX]: один запрос, ответ в шестнадцатеричном виде; запрос, "
                        "изменяющий данные реле, только с --yes"),
         raw,
         {option::yes()},
         2},
    };
    static const QList<Command> all = recordingChanges(
        own + configCommands() + journalCommands() + calibrationCommands() + searchCommands() +
        reportCommands() + changeCommands() + snapshotCommands() + lineCommands());
    return all;
}

} // namespace kliv::cli
