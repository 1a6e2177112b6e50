#include "configcommands.h"

#include "linecommands.h"
#include "options.h"
#include "outputfile.h"

#include "files/configjson.h"
#include "files/settingsfile.h"
#include "files/settingsfiles.h"
#include "link/jobs/configreadjob.h"
#include "link/jobs/configwritejob.h"
#include "protocol/frame.h"
#include "texts/configtexts.h"
#include "texts/settingsmessages.h"

#include <QJsonArray>
#include <QStringList>

namespace kliv::cli {

namespace {

// The exit code of a comparison that found differences.
constexpr int Different = 1;

Prepared bad(const QString& why) {
    return {why, {}};
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

// A settings file read and checked whole, before anything is sent.
struct SettingsText {
    QString error;             // empty when the file can be used
    settings::Decoded decoded; // over the start-up values
};

SettingsText loadSettings(const QString& command, const QString& path) {
    if (path.trimmed().isEmpty())
        return {command + QStringLiteral(": не указан файл настроек."), {}};
    files::LoadedSettings loaded = files::loadSettings(path, {});
    if (!loaded.error.isEmpty())
        return {QStringLiteral("Файл %1 не читается: %2").arg(path, loaded.error), {}};
    if (!loaded.decoded.usable())
        return {msg::settingsFileErrors(loaded.decoded).join(QLatin1Char('\n')), {}};
    return {{}, loaded.decoded};
}

// The fields the file holds.
QStringList heldKeys(const settings::Decoded& file) {
    QStringList held = config::fieldKeys();
    for (const QString& key : file.missing)
        held.removeOne(key);
    return held;
}

// The file's own fields over `base`: those it did not hold keep the base's values.
Configuration over(const Configuration& base, const settings::Decoded& file) {
    return config::takeFields(base, file.value, heldKeys(file));
}

// Caption, file value and relay value in aligned columns under a heading.
QString differenceTable(const QList<config::FieldDifference>& rows) {
    QList<QStringList> lines{
        {QStringLiteral("Параметр"), QStringLiteral("В файле"), QStringLiteral("В реле")}};
    const NumberLocale loc = NumberLocale::system();
    for (const config::FieldDifference& d : rows)
        lines.append({config::labelOf(d), config::valueText(d, d.sent, loc),
                      config::valueText(d, d.read, loc)});
    qsizetype widths[2] = {0, 0};
    for (const QStringList& l : lines)
        for (int c = 0; c < 2; ++c)
            widths[c] = std::max(widths[c], l.at(c).size());
    QStringList out;
    for (const QStringList& l : lines)
        out << l.at(0).leftJustified(widths[0] + 2) + l.at(1).leftJustified(widths[1] + 2) +
                   l.at(2);
    return out.join(QLatin1Char('\n'));
}

int serialOf(const CommandLine& cl) {
    int serial = frame::SerialDefault;
    parseInt(cl.value(QStringLiteral("serial")), frame::SerialMin, frame::SerialMax, &serial);
    return serial;
}

Prepared read(const CommandLine& cl) {
    if (cl.isSet(QStringLiteral("all"))) {
        if (cl.isSet(QStringLiteral("out")))
            return bad(QStringLiteral("--out и --all не указываются вместе."));
        return everyRelay(cl, BatchSaver::Kind::Settings);
    }
    const QString out = cl.value(QStringLiteral("out"));
    if (cl.isSet(QStringLiteral("out")))
        if (const QString why = outputFileProblem(QStringLiteral("--out"), out); !why.isEmpty())
            return bad(why);
    return {{}, [out](Runner& r) {
                auto* read = new ConfigReadJob;
                if (!out.isEmpty())
                    read->askVersionFirst(); // the file names the firmware, as the window's does
                return r.run<ConfigReadJob>(read, [&r, out](ConfigReadJob& job) {
                    if (out.isEmpty()) {
                        r.print(config::toJsonText(job.configuration()).trimmed());
                        return;
                    }
                    if (const QString why =
                            files::saveSettings(out, files::headerNow(job.serial(), job.firmware()),
                                                job.configuration());
                        !why.isEmpty())
                        r.fail(NoAnswer, msg::settingsNotSaved(out), why);
                    else
                        r.printBox(msg::configRead());
                });
            }};
}

// The write: the file's fields over the block the relay holds, each checked before anything
// is written; a field the file leaves out, or holds as the relay's block shows it, keeps
// the relay's bytes. The read-back must equal what was sent.
Prepared write(const CommandLine& cl) {
    if (cl.args.size() != 1)
        return bad(QStringLiteral("config write FILE --yes"));
    if (!cl.isSet(QStringLiteral("yes")))
        return bad(QStringLiteral("Запись изменит конфигурацию реле; подтвердите её параметром "
                                  "--yes."));
    const SettingsText file = loadSettings(QStringLiteral("config write FILE"), cl.args.at(0));
    if (!file.error.isEmpty())
        return bad(file.error);
    const int serial = serialOf(cl);
    const std::optional<int> from =
        file.decoded.header ? file.decoded.header->serial : std::nullopt;
    if (from && *from != serial && !cl.isSet(QStringLiteral("any-serial")))
        return bad(QStringLiteral("Настройки в файле взяты из реле № %1, а запись пойдет в реле "
                                  "№ %2; подтвердите её параметром --any-serial.")
                       .arg(*from)
                       .arg(serial));
    // Over the start-up values, any problem is one of the file's own fields.
    if (const QString zero = zeroCoefficient(file.decoded.value); !zero.isEmpty())
        return bad(zero);

    return {{}, [decoded = file.decoded](Runner& r) {
                // Written only once the read-back equals what was sent.
                return r.run<ConfigWriteJob>(new ConfigWriteJob(decoded.value, heldKeys(decoded)),
                                             [&r](ConfigWriteJob&) {
                                                 r.printBox(msg::configWritten());
                                                 r.printBox(msg::configRead());
                                             });
            }};
}

// The file's fields (the relay's where the file has none) against the relay's, as the
// page's comparison shows them: exit 0 when equal, 1 when any field differs.
Prepared diff(const CommandLine& cl) {
    if (cl.args.size() != 1)
        return bad(QStringLiteral("config diff FILE"));
    const SettingsText file = loadSettings(QStringLiteral("config diff FILE"), cl.args.at(0));
    if (!file.error.isEmpty())
        return bad(file.error);
    return {{}, [decoded = file.decoded](Runner& r) {
                return r.runFirst<ConfigReadJob>(
                    new ConfigReadJob, [&r, decoded](ConfigReadJob& read) {
                        const Configuration relay = read.configuration();
                        const QList<config::FieldDifference> rows =
                            config::differences(over(relay, decoded), relay);
                        if (r.json()) {
                            const NumberLocale loc = NumberLocale::system();
                            QJsonArray list;
                            for (const config::FieldDifference& d : rows)
                                list.append(QJsonObject{
                                    {QStringLiteral("key"), d.key},
                                    {QStringLiteral("caption"), config::labelOf(d)},
                                    {QStringLiteral("file"), config::valueText(d, d.sent, loc)},
                                    {QStringLiteral("relay"), config::valueText(d, d.read, loc)}});
                            r.printJson({{QStringLiteral("equal"), rows.isEmpty()},
                                         {QStringLiteral("differences"), list}});
                        } else if (rows.isEmpty()) {
                            r.print(msg::configSame().text);
                        } else {
                            r.print(differenceTable(rows));
                        }
                        r.finish(rows.isEmpty() ? Done : Different);
                    });
            }};
}

// "config" with no command of the family after it.
Prepared configUsage(const CommandLine&) {
    return bad(QStringLiteral("config read [--out FILE] | config write FILE --yes | config diff "
                              "FILE"));
}

} // namespace

QList<Command> configCommands() {
    return {
        {QStringLiteral("config"),
         QStringLiteral("read [--out FILE]: конфигурация реле в JSON (--all DIR: файл "
                        "настроек каждого реле на линии); write FILE --yes "
                        "[--any-serial]: запись с проверкой считыванием; diff FILE: "
                        "различия файла и реле (код 1, если они есть)"),
         configUsage,
         {},
         2},
        {QStringLiteral("config read"),
         QStringLiteral("[--out FILE]: конфигурация реле в JSON или файл настроек; --all DIR: "
                        "файл настроек каждого реле на линии"),
         read,
         QList<QCommandLineOption>{{QStringLiteral("out"),
                                    QStringLiteral("файл настроек, в заголовке номер реле и "
                                                   "версия его программы"),
                                    QStringLiteral("FILE")}} +
             everyRelayOptions(QStringLiteral("файл настроек"))},
        {QStringLiteral("config write"),
         QStringLiteral("FILE --yes [--any-serial]: запись с проверкой считыванием"),
         write,
         {option::yes(),
          {QStringLiteral("any-serial"), QStringLiteral("файл настроек другого реле")}},
         1},
        {QStringLiteral("config diff"),
         QStringLiteral("FILE: различия файла и реле (код 1, если они есть)"),
         diff,
         {},
         1},
    };
}

} // namespace kliv::cli
