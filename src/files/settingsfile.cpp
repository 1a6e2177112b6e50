#include "files/settingsfile.h"

#include "protocol/frame.h"
#include "files/jsonmembers.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <climits>
#include <cmath>

namespace kliv::settings {

namespace {

const QString Key = QString::fromLatin1(HeaderKey);

QString headerError(const QString& what) {
    return Key + QStringLiteral(": ") + what;
}

std::optional<int> wholeIn(const QJsonValue& v, int min, int max) {
    if (!v.isDouble())
        return std::nullopt;
    const double d = v.toDouble();
    if (d != std::trunc(d) || d < min || d > max)
        return std::nullopt;
    return int(d);
}

QJsonObject headerObject(const Header& h) {
    QJsonObject o{{QStringLiteral("format"), h.format}};
    if (h.serial)
        o.insert(QStringLiteral("serial"), *h.serial);
    if (!h.firmware.isEmpty())
        o.insert(QStringLiteral("firmware"), h.firmware);
    if (h.saved.isValid())
        o.insert(QStringLiteral("saved"),
                 h.saved.toOffsetFromUtc(h.saved.offsetFromUtc()).toString(Qt::ISODateWithMs));
    if (!h.tool.isEmpty())
        o.insert(QStringLiteral("tool"), h.tool);
    return o;
}

// Keys the header does not know are passed over: a later version may add some, and the
// header only describes the values, it never sets one.
std::optional<Header> readHeader(const QJsonValue& value, QStringList& errors) {
    if (!value.isObject()) {
        errors << headerError(QStringLiteral("ожидается объект"));
        return std::nullopt;
    }
    const QJsonObject o = value.toObject();
    Header h;
    const std::optional<int> format = wholeIn(o.value(QLatin1String("format")), 1, INT_MAX);
    if (!format) {
        errors << headerError(QStringLiteral("нет номера формата (format, целое число от 1)"));
        return std::nullopt;
    }
    if (*format > FormatVersion) {
        errors << headerError(QStringLiteral("файл записан более новой версией программы "
                                             "(формат %1, эта версия читает до %2)")
                                  .arg(*format)
                                  .arg(FormatVersion));
        return std::nullopt;
    }
    h.format = *format;
    if (o.contains(QLatin1String("serial"))) {
        h.serial = wholeIn(o.value(QLatin1String("serial")), frame::SerialMin, frame::SerialMax);
        if (!h.serial)
            errors << headerError(QStringLiteral("serial: ожидается заводской номер от %1 до %2")
                                      .arg(frame::SerialMin)
                                      .arg(frame::SerialMax));
    }
    const auto text = [&](const char* key, QString& into) {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined())
            return;
        if (v.isString())
            into = v.toString();
        else
            errors << headerError(QLatin1String(key) + QStringLiteral(": ожидается строка"));
    };
    text("firmware", h.firmware);
    text("tool", h.tool);
    QString saved;
    text("saved", saved);
    if (!saved.isEmpty()) {
        h.saved = QDateTime::fromString(saved, Qt::ISODateWithMs);
        if (!h.saved.isValid())
            errors << headerError(
                QStringLiteral("saved: «%1» — не дата и время ISO 8601").arg(saved));
    }
    return h;
}

} // namespace

QByteArray encode(const Header& header, const Configuration& c) {
    // The field text keeps its order and its decimals; the header goes in front of it.
    QByteArray fields = config::toJsonText(c).toUtf8();
    const QByteArray head =
        "    \"" + QByteArray(HeaderKey) +
        "\": " + QJsonDocument(headerObject(header)).toJson(QJsonDocument::Compact) + ",\n";
    return fields.insert(fields.indexOf('\n') + 1, head);
}

Decoded decode(const QByteArray& bytes, const Configuration& base) {
    Decoded out{std::nullopt, base, {}, {}, {}};
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        out.errors << QStringLiteral("файл настроек не является JSON (позиция %1: %2)")
                          .arg(error.offset)
                          .arg(error.errorString());
        return out;
    }
    if (!doc.isObject()) {
        out.errors << QStringLiteral("файл настроек должен содержать объект JSON");
        return out;
    }
    // A value named twice is taken neither way: the header's keys count as much as the fields.
    out.errors << config::repeatedKeyErrors(bytes);
    for (const json::Member& m : json::members(bytes).value_or(QList<json::Member>()))
        if (m.key == Key)
            out.errors << config::repeatedKeyErrors(
                QByteArrayView(bytes).sliced(m.begin, m.end - m.begin), Key + QStringLiteral(": "));
    if (!out.errors.isEmpty())
        return out;
    QJsonObject object = doc.object();
    if (object.contains(Key)) {
        out.header = readHeader(object.take(Key), out.errors);
        if (!out.header)
            return out; // a format it cannot read says nothing about the fields
    }
    const config::ConfigFromJson fields = config::fromJson(object, base);
    out.errors << fields.errors;
    out.value = fields.value;
    for (const config::Field& f : config::fields())
        if (!object.contains(QLatin1String(f.key)))
            out.missing << QString::fromLatin1(f.key);
    // The base may hold anything the page was typed into; only the file's own values are
    // the file's problems.
    for (const Problem& p : config::problems(out.value))
        if (object.contains(p.key))
            out.problems << p;
    return out;
}

} // namespace kliv::settings
