#include "files/changerecord.h"

#include "model/configschema.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>
#include <cmath>

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

std::optional<int> serialOf(const QJsonValue& v) {
    if (!v.isDouble() || v.toDouble() != std::trunc(v.toDouble()) || std::abs(v.toDouble()) > 1e9)
        return std::nullopt;
    return int(v.toDouble());
}

// The relay a line that is no JSON names, when it names exactly one as a number: a line cut
// short still holds the keys written before the cut.
std::optional<int> serialIn(const QByteArray& line) {
    static const QRegularExpression re(QStringLiteral(R"("serial"\s*:\s*(\d{1,9})\s*[,}])"));
    auto it = re.globalMatch(QString::fromUtf8(line));
    std::optional<int> found;
    for (int n = 0; it.hasNext(); ++n) {
        const QRegularExpressionMatch m = it.next();
        if (n > 0)
            return std::nullopt;
        found = m.captured(1).toInt();
    }
    return found;
}

std::optional<ChangeRecord> recordOf(const QByteArray& line, DamagedLine& damage) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        damage.serial = serialIn(line);
        damage.why = QStringLiteral("не запись JSON (строка оборвана?)");
        return std::nullopt;
    }
    const QJsonObject o = doc.object();
    ChangeRecord r;
    r.time = QDateTime::fromString(o.value(QLatin1String("time")).toString(), Qt::ISODateWithMs);
    damage.serial = serialOf(o.value(QLatin1String("serial")));
    r.job = o.value(QLatin1String("job")).toString();
    r.outcome = o.value(QLatin1String("outcome")).toString();
    if (!r.time.isValid() || !damage.serial || r.job.isEmpty() || r.outcome.isEmpty()) {
        damage.why = QStringLiteral("нет времени, номера реле, задания или итога");
        return std::nullopt;
    }
    r.serial = *damage.serial;
    r.port = o.value(QLatin1String("port")).toString();
    r.detail = o.value(QLatin1String("detail")).toString();
    const auto before = blockOf(o.value(QLatin1String("before")));
    const auto after = blockOf(o.value(QLatin1String("after")));
    if (!before || !after) {
        damage.why = QStringLiteral("блок конфигурации не в шестнадцатеричном виде");
        return std::nullopt;
    }
    r.before = *before;
    r.after = *after;
    for (const QByteArray* block : {&r.before, &r.after})
        if (!block->isEmpty() && block->size() != config::BlockSize) {
            damage.why = QStringLiteral("блок конфигурации из %1 байт вместо %2")
                             .arg(block->size())
                             .arg(config::BlockSize);
            return std::nullopt;
        }
    // A job reads the block before it changes one; a block after alone was made by hand.
    if (r.before.isEmpty() && !r.after.isEmpty()) {
        damage.why = QStringLiteral("блок после изменения без блока до него");
        return std::nullopt;
    }
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
        DamagedLine damage{int(i + 1), int(log.records.size()), std::nullopt, {}};
        if (const auto r = recordOf(line, damage))
            log.records.append(*r);
        else
            log.damaged.append(damage);
    }
    return log;
}

QStringList ChangeLog::warnings() const {
    QStringList out;
    for (const DamagedLine& d : damaged)
        out << QStringLiteral("строка %1 пропущена: %2").arg(d.line).arg(d.why);
    return out;
}

} // namespace kliv::changes
