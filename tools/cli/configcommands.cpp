#include "configcommands.h"

#include "outputfile.h"

#include "link/jobs/configreadjob.h"
#include "link/jobs/configwritejob.h"
#include "protocol/configjson.h"

#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStringList>

namespace kliv::cli {

namespace {

// A settings file is a few kilobytes; anything far larger is not one (or never ends).
constexpr qint64 MaxSettingsBytes = 1 << 20;

Prepared bad(const QString& why) {
    return {why, {}};
}

QString joined(const QList<config::FieldProblem>& problems) {
    QStringList texts;
    for (const config::FieldProblem& p : problems)
        texts.append(p.text);
    return texts.join(QLatin1Char('\n'));
}

// The window's write refuses a zero coefficient, which would blind its channel; so does
// the file's.
QString zeroCoefficient(const Configuration& c) {
    const config::Field* zero = config::firstZeroCoefficient(c);
    if (!zero)
        return {};
    return msg::zeroCoefficient().text + QLatin1Char('\n') +
           msg::zeroCoefficientDetail(QString::fromUtf8(zero->label));
}

bool save(Runner& r, const QString& path, const QString& text) {
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text.toUtf8()) < 0 || !f.commit()) {
        r.fail(NoAnswer,
               {msg::ExchangeCaption, QStringLiteral("Файл %1 не записан.").arg(path), Icon::Error},
               f.errorString());
        return false;
    }
    return true;
}

Prepared read(const CommandLine& cl) {
    if (cl.args.size() != 1)
        return bad(QStringLiteral("config read [--out FILE]"));
    const QString out = cl.value(QStringLiteral("out"));
    if (cl.isSet(QStringLiteral("out")))
        if (const QString why = outputFileProblem(QStringLiteral("--out"), out); !why.isEmpty())
            return bad(why);
    return {{}, [out](Runner& r) {
                return r.run<ConfigReadJob>(new ConfigReadJob, [&r, out](ConfigReadJob& job) {
                    const QString text = config::toJsonText(job.configuration());
                    if (out.isEmpty())
                        r.print(text.trimmed());
                    else if (save(r, out, text))
                        r.printBox(msg::configRead());
                });
            }};
}

// The write: the file over what the relay holds (read first when the file names only
// some fields), every field checked before anything is written, then the write with its
// read-back, which must equal what was sent.
Prepared write(const CommandLine& cl) {
    if (cl.args.size() != 2)
        return bad(QStringLiteral("config write FILE --yes"));
    if (!cl.isSet(QStringLiteral("yes")))
        return bad(QStringLiteral("Запись изменит конфигурацию реле; подтвердите её параметром "
                                  "--yes."));
    if (cl.args.at(1).trimmed().isEmpty())
        return bad(QStringLiteral("config write FILE: не указан файл настроек."));
    QFile file(cl.args.at(1));
    if (!file.open(QIODevice::ReadOnly))
        return bad(QStringLiteral("Файл %1 не читается: %2").arg(file.fileName(),
                                                                  file.errorString()));
    const QByteArray text = file.read(MaxSettingsBytes + 1);
    if (text.size() > MaxSettingsBytes)
        return bad(QStringLiteral("Файл %1 больше %2 байт: это не файл настроек.")
                       .arg(file.fileName())
                       .arg(MaxSettingsBytes));
    const config::ConfigFromJson parsed = config::fromJsonText(text, {});
    if (!parsed.errors.isEmpty())
        return bad(parsed.errors.join(QLatin1Char('\n')));
    const QJsonObject object = QJsonDocument::fromJson(text).object();
    const bool whole = std::all_of(config::fields().begin(), config::fields().end(),
                                   [&object](const config::Field& f) {
                                       return object.contains(QLatin1String(f.key));
                                   });
    // Over the start-up values, any problem is one of the file's own fields.
    const auto problems = config::problems(parsed.value, NumberLocale::system());
    if (!problems.isEmpty())
        return bad(joined(problems));
    if (const QString zero = zeroCoefficient(parsed.value); !zero.isEmpty())
        return bad(zero);

    return {{}, [whole, text, value = parsed.value](Runner& r) {
                auto writeJob = [](const Configuration& c) { return new ConfigWriteJob(c); };
                // Written only once the read-back equals what was sent.
                auto onWritten = [&r](ConfigWriteJob&) {
                    r.printBox(msg::configWritten());
                    r.printBox(msg::configRead());
                };
                if (whole)
                    return r.run<ConfigWriteJob>(writeJob(value), onWritten);
                return r.runFirst<ConfigReadJob>(
                    new ConfigReadJob, [&r, text, writeJob, onWritten](ConfigReadJob& read) {
                        const Configuration merged =
                            config::fromJsonText(text, read.configuration()).value;
                        const auto problems = config::problems(merged, NumberLocale::system());
                        const QString refused =
                            problems.isEmpty() ? zeroCoefficient(merged) : joined(problems);
                        if (!refused.isEmpty()) {
                            const msg::Report rep =
                                msg::forFailure(nullptr, Failure::RefusedInput, refused);
                            r.fail(BadUsage, rep.message, rep.detail);
                            return;
                        }
                        r.then<ConfigWriteJob>(writeJob(merged), onWritten);
                    });
            }};
}

Prepared configCommand(const CommandLine& cl) {
    const QString what = cl.args.value(0);
    if (what == QLatin1String("read"))
        return read(cl);
    if (what == QLatin1String("write"))
        return write(cl);
    return bad(QStringLiteral("config read [--out FILE] | config write FILE --yes"));
}

} // namespace

QList<Command> configCommands() {
    return {{QStringLiteral("config"),
             QStringLiteral("read [--out FILE]: конфигурация реле в JSON; write FILE --yes: "
                            "запись с проверкой считыванием"),
             configCommand, 2}};
}

} // namespace kliv::cli
