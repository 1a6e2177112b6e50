#include "protocol/changerecord.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <optional>

namespace kliv::changes {

namespace {

std::optional<QByteArray> blockOf(const QJsonValue& v) {
    if (v.isUndefined())
        return QByteArray();
    if (!v.isString())
        return std::nullopt;
    const QByteArray hex = v.toString().toLatin1();
    const QByteArray bytes = QByteArray::fromHex(hex);
    // fromHex skips what is no hex digit; a block must come back exactly as written.
    if (bytes.toHex() != hex.toLower())
        return std::nullopt;
    return bytes;
}

std::optional<ChangeRecord> recordOf(const QByteArray& line, QString* why) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        *why = QStringLiteral("не запись JSON (строка оборвана?)");
        return std::nullopt;
    }
    const QJsonObject o = doc.object();
    ChangeRecord r;
    r.time = QDateTime::fromString(o.value(QLatin1String("time")).toString(), Qt::ISODateWithMs);
    const QJsonValue serial = o.value(QLatin1String("serial"));
    r.job = o.value(QLatin1String("job")).toString();
    r.outcome = o.value(QLatin1String("outcome")).toString();
    if (!r.time.isValid() || !serial.isDouble() || r.job.isEmpty() || r.outcome.isEmpty()) {
        *why = QStringLiteral("нет времени, номера реле, задания или итога");
        return std::nullopt;
    }
    r.serial = serial.toInt();
    r.port = o.value(QLatin1String("port")).toString();
    r.detail = o.value(QLatin1String("detail")).toString();
    const auto before = blockOf(o.value(QLatin1String("before")));
    const auto after = blockOf(o.value(QLatin1String("after")));
    if (!before || !after) {
        *why = QStringLiteral("блок конфигурации не в шестнадцатеричном виде");
        return std::nullopt;
    }
    r.before = *before;
    r.after = *after;
    return r;
}

} // namespace

QByteArray toLine(const ChangeRecord& r) {
    QJsonObject o{{QStringLiteral("time"),
                   r.time.toOffsetFromUtc(r.time.offsetFromUtc()).toString(Qt::ISODateWithMs)},
                  {QStringLiteral("serial"), r.serial},
                  {QStringLiteral("port"), r.port},
                  {QStringLiteral("job"), r.job},
                  {QStringLiteral("outcome"), r.outcome}};
    if (!r.detail.isEmpty())
        o.insert(QStringLiteral("detail"), r.detail);
    if (!r.before.isEmpty())
        o.insert(QStringLiteral("before"), QString::fromLatin1(r.before.toHex()));
    if (!r.after.isEmpty())
        o.insert(QStringLiteral("after"), QString::fromLatin1(r.after.toHex()));
    // Compact JSON escapes every line break inside a string, so one record is one line.
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

ChangeLog readLines(const QByteArray& bytes) {
    ChangeLog log;
    const QList<QByteArray> lines = bytes.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        if (line.isEmpty())
            continue;
        QString why;
        if (const auto r = recordOf(line, &why))
            log.records.append(*r);
        else
            log.warnings.append(QStringLiteral("строка %1 пропущена: %2").arg(i + 1).arg(why));
    }
    return log;
}

} // namespace kliv::changes
