#include "calibrationcommands.h"

#include "texts/problemtexts.h"

#include "link/jobs/recordedcalibrationjob.h"
#include "link/jobs/rs485speedjob.h"
#include "model/calibrationcheck.h"
#include "options.h"
#include "protocol/speeds.h"
#include "texts/calibrationtexts.h"
#include "texts/speedtexts.h"

#include <QJsonObject>
#include <QSet>

namespace kliv::cli {

namespace {

using namespace calibration;

Prepared bad(const QString& why) {
    return {why, {}};
}

Prepared rs485Speed(const CommandLine& cl) {
    int baud = 0;
    const int index = cl.args.size() == 1 && parseInt(cl.args.at(0), 1, 1000000, &baud)
                          ? speeds::indexOfBaud(baud)
                          : -1;
    if (index < 0)
        return bad(QStringLiteral("rs485-speed BAUD: одна из скоростей %1.").arg(speeds::bauds()));
    if (!cl.isSet(QStringLiteral("yes")))
        return bad(QStringLiteral("rs485-speed изменяет скорость RS485 реле; подтвердите команду "
                                  "параметром --yes."));
    return {{}, [index](Runner& r) {
                return r.run<Rs485SpeedJob>(new Rs485SpeedJob(index), [&r](Rs485SpeedJob& job) {
                    const QString done = msg::rs485Changed().text;
                    const int lineBaud = speeds::Baud[std::size_t(r.engine().speedIndex())];
                    if (r.json()) {
                        r.printJson({{QStringLiteral("result"), done},
                                     {QStringLiteral("followed"), job.followed()},
                                     {QStringLiteral("baud"), lineBaud}});
                        return;
                    }
                    r.print(done);
                    if (job.followed())
                        r.print(QStringLiteral("Реле отвечает на скорости %1 бод.").arg(lineBaud));
                });
            }};
}

// "ua=230,ia=5,5": a part without '=' carries the decimals of the value before it, so
// both '.' and ',' may separate them.
QString parseReferences(const QString& text, References* out) {
    QList<QPair<int, QString>> given;
    QSet<int> seen;
    for (const QString& part : text.split(QLatin1Char(','))) {
        if (!part.contains(QLatin1Char('='))) {
            if (given.isEmpty())
                return QStringLiteral("--ref: канал=значение через запятую, например "
                                      "ua=230,ia=5,5.");
            given.last().second += QLatin1Char(',') + part;
            continue;
        }
        const QString key = part.section(QLatin1Char('='), 0, 0).trimmed();
        const int c = channelOfKey(key);
        if (c < 0)
            return QStringLiteral("--ref: неизвестный канал «%1» (ua ub uc ia ib ic iut).")
                .arg(key);
        if (seen.contains(c))
            return QStringLiteral("--ref: канал %1 указан дважды.").arg(labelOf(c));
        seen.insert(c);
        given.append({c, part.section(QLatin1Char('='), 1)});
    }
    for (const auto& [c, text] : given) {
        const auto value = parseReference(text);
        if (!value)
            return msg::problemText(referenceProblem(c, QStringView(text)), NumberLocale::system());
        (*out)[std::size_t(c)] = value;
    }
    return {};
}

Prepared calibrate(const CommandLine& cl) {
    References references;
    if (!cl.isSet(QStringLiteral("ref")))
        return bad(QStringLiteral("calibrate: укажите эталонные значения калибруемых каналов: "
                                  "--ref ua=V,ub=V,uc=V,ia=A,ib=A,ic=A,iut=A."));
    if (const QString why = parseReferences(cl.value(QStringLiteral("ref")), &references);
        !why.isEmpty())
        return bad(why);
    if (!cl.isSet(QStringLiteral("yes")))
        return bad(QStringLiteral("calibrate изменяет калибровку реле и блокирует его защиту; "
                                  "подтвердите команду параметром --yes."));
    // The channels not named keep the coefficients the relay holds: the job reads them.
    return {{}, [references](Runner& r) {
                return r.run<CalibrationJob>(
                    new RecordedCalibrationJob(references), [&r](CalibrationJob& job) {
                        const WriteReply& held = job.result();
                        const QString done = msg::calibrationDone().text;
                        QJsonObject coefficients;
                        QStringList line;
                        for (int c = 0; c < ChannelCount; ++c) {
                            const int k = held.coefficients[std::size_t(c)];
                            coefficients[QLatin1String(channel(c).key)] = k;
                            line << QStringLiteral("%1=%2").arg(labelOf(c)).arg(k);
                        }
                        if (r.json()) {
                            r.printJson({{QStringLiteral("result"), done},
                                         {QStringLiteral("coefficients"), coefficients},
                                         {QStringLiteral("blocking"), held.blocking}});
                            return;
                        }
                        r.print(line.join(QLatin1Char(' ')));
                        r.print(done);
                    });
            }};
}

} // namespace

QList<Command> calibrationCommands() {
    return {
        {QStringLiteral("rs485-speed"),
         QStringLiteral("BAUD --yes: скорость RS485 реле; порт следует за реле, если оно "
                        "переходит на новую скорость сразу"),
         rs485Speed,
         {option::yes()},
         1},
        {QStringLiteral("calibrate"),
         QStringLiteral("--ref ua=V,ub=V,uc=V,ia=A,ib=A,ic=A,iut=A --yes: автокалибровка "
                        "названных каналов"),
         calibrate,
         {{QStringLiteral("ref"),
           QStringLiteral("эталонные значения ua=V,ub=V,uc=V,ia=A,ib=A,ic=A,iut=A"),
           QStringLiteral("SPEC")},
          option::yes()}},
    };
}

} // namespace kliv::cli
