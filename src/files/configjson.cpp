#include "files/configjson.h"

#include "files/jsonmembers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>
#include <algorithm>
#include <cmath>
#include <limits>

namespace kliv::config {

namespace {

// Beyond an int a value fits no field anyway; problems() reports it as out of range.
int saturated(double v) {
    return int(std::clamp(v, double(std::numeric_limits<int>::min()),
                          double(std::numeric_limits<int>::max())));
}

std::optional<int> wholeNumber(const QJsonValue& v) {
    if (!v.isDouble() || v.toDouble() != std::trunc(v.toDouble()))
        return std::nullopt;
    return saturated(v.toDouble());
}

// Tenths from a number of seconds or amperes. A second decimal is refused rather than cut
// off, so that the file never sets something other than what it says.
std::optional<int> tenthsOf(const QJsonValue& v) {
    if (!v.isDouble())
        return std::nullopt;
    const double tenths = v.toDouble() * 10, whole = std::round(tenths);
    // Only the binary representation of a one-decimal number may separate the two.
    constexpr double Slack = 1e-6;
    if (std::abs(tenths - whole) > Slack)
        return std::nullopt;
    return saturated(whole);
}

QJsonValue jsonValue(const Configuration& c, const Field& f) {
    switch (f.kind) {
    case FieldKind::Check:
        return c.*f.check;
    case FieldKind::Text:
        return c.*f.text;
    case FieldKind::Tenths:
        return c.*f.number / 10.0;
    case FieldKind::List:
    case FieldKind::Spin:
    case FieldKind::Integer:
        break;
    }
    return c.*f.number;
}

// Reads one value into the field; false when its JSON type does not suit the field.
bool take(const QJsonValue& v, const Field& f, Configuration& c) {
    std::optional<int> number;
    switch (f.kind) {
    case FieldKind::Check:
        if (!v.isBool())
            return false;
        c.*f.check = v.toBool();
        return true;
    case FieldKind::Text:
        if (!v.isString())
            return false;
        c.*f.text = v.toString();
        return true;
    case FieldKind::Tenths:
        number = tenthsOf(v);
        break;
    case FieldKind::List:
    case FieldKind::Spin:
    case FieldKind::Integer:
        number = wholeNumber(v);
        break;
    }
    if (!number)
        return false;
    c.*f.number = *number;
    return true;
}

QString expected(FieldKind kind) {
    switch (kind) {
    case FieldKind::Check:
        return QStringLiteral("ожидается true или false");
    case FieldKind::Text:
        return QStringLiteral("ожидается строка");
    case FieldKind::Tenths:
        return QStringLiteral("ожидается число не более чем с одним знаком после точки");
    case FieldKind::List:
        return QStringLiteral("ожидается номер элемента списка, целое число");
    case FieldKind::Spin:
    case FieldKind::Integer:
        break;
    }
    return QStringLiteral("ожидается целое число");
}

// "15.0", "-0.5": the file's numbers whatever the user's locale.
QByteArray tenthsJson(int tenths) {
    const qint64 v = tenths, magnitude = v < 0 ? -v : v;
    return (v < 0 ? "-" : "") + QByteArray::number(magnitude / 10) + '.' +
           QByteArray::number(magnitude % 10);
}

QByteArray jsonText(const Configuration& c, const Field& f) {
    switch (f.kind) {
    case FieldKind::Tenths:
        // A QJsonDocument would write 10.0 as 10.
        return tenthsJson(c.*f.number);
    case FieldKind::Text: {
        const QByteArray array =
            QJsonDocument(QJsonArray{c.*f.text}).toJson(QJsonDocument::Compact);
        return array.mid(1, array.size() - 2); // the string without the brackets around it
    }
    case FieldKind::Check:
        return c.*f.check ? "true" : "false";
    case FieldKind::List:
    case FieldKind::Spin:
    case FieldKind::Integer:
        break;
    }
    return QByteArray::number(c.*f.number);
}

} // namespace

QJsonObject toJson(const Configuration& c) {
    QJsonObject o;
    for (const Field& f : fields())
        o.insert(QLatin1String(f.key), jsonValue(c, f));
    return o;
}

QString toJsonText(const Configuration& c) {
    QByteArray out = "{\n";
    const auto all = fields();
    for (std::size_t i = 0; i < all.size(); ++i) {
        const Field& f = all[i];
        out += "    \"" + QByteArray(f.key) + "\": " + jsonText(c, f);
        out += i + 1 < all.size() ? ",\n" : "\n";
    }
    out += "}\n";
    return QString::fromUtf8(out);
}

ConfigFromJson fromJson(const QJsonObject& object, const Configuration& base) {
    ConfigFromJson r{base, {}};
    for (auto it = object.begin(); it != object.end(); ++it) {
        const Field* f = fieldNamed(it.key());
        if (!f)
            r.errors << it.key() + QStringLiteral(": неизвестный ключ");
        else if (!take(it.value(), *f, r.value))
            r.errors << it.key() + QStringLiteral(": ") + expected(f->kind);
    }
    return r;
}

ConfigFromJson fromJsonText(const QByteArray& text, const Configuration& base) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError)
        return {base,
                {QStringLiteral("файл настроек не является JSON (позиция %1: %2)")
                     .arg(error.offset)
                     .arg(error.errorString())}};
    if (!doc.isObject())
        return {base, {QStringLiteral("файл настроек должен содержать объект JSON")}};
    if (const QStringList repeated = repeatedKeyErrors(text); !repeated.isEmpty())
        return {base, repeated};
    return fromJson(doc.object(), base);
}

QStringList repeatedKeyErrors(QByteArrayView objectText, const QString& prefix) {
    QStringList out;
    if (const auto members = json::members(objectText))
        for (const QString& key : json::repeatedKeys(*members))
            out << prefix + key +
                       QStringLiteral(": ключ указан в файле больше одного раза, и неясно, "
                                      "какое из значений взять");
    return out;
}

} // namespace kliv::config
