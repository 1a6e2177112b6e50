// The settings file reader with arbitrary text. Whatever it takes without an error must
// be written back and read again to the same value (a text no relay can store, such as a
// lone surrogate, may change on the way: it is refused before any write); an error must
// name something. The same text as a settings file, with or without its header: the
// same rules, and what is read comes back through a saved file. The scan for repeated keys
// finds in any object the JSON reader takes the very keys that reader holds.
#include "files/configjson.h"
#include "files/jsonmembers.h"
#include "files/settingsfile.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <cstdlib>

using namespace kliv;

namespace {

void require(bool ok) {
    if (!ok)
        std::abort();
}

void checkSettingsFile(const QByteArray& text) {
    const settings::Decoded read = settings::decode(text, Configuration{});
    for (const QString& e : read.errors)
        require(!e.isEmpty());
    if (!read.errors.isEmpty())
        return;
    settings::Header header = read.header.value_or(settings::Header{});
    header.format = settings::FormatVersion;
    const settings::Decoded again =
        settings::decode(settings::encode(header, read.value), Configuration{});
    require(again.header.has_value() && again.missing.isEmpty());
    if (config::problems(read.value).isEmpty())
        require(again.errors.isEmpty() && again.value == read.value);
}

void checkMembers(const QByteArray& text) {
    const QJsonDocument doc = QJsonDocument::fromJson(text);
    if (!doc.isObject())
        return;
    const auto members = json::members(text);
    require(members.has_value());
    QSet<QString> keys;
    for (const json::Member& m : *members)
        keys.insert(m.key);
    const QStringList held = doc.object().keys();
    require(keys == QSet<QString>(held.begin(), held.end()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    checkMembers(text);
    checkSettingsFile(text);
    const Configuration base;
    const config::ConfigFromJson read = config::fromJsonText(text, base);
    for (const QString& e : read.errors)
        require(!e.isEmpty());
    if (!read.errors.isEmpty())
        return 0;
    const Configuration& c = read.value;
    const bool storable = config::problems(c).isEmpty();
    const auto same = [&c, storable](Configuration back) {
        if (!storable) {
            back.tipo_text = c.tipo_text;
            back.oust_text = c.oust_text;
        }
        return back == c;
    };
    const config::ConfigFromJson again = config::fromJsonText(config::toJsonText(c).toUtf8(), {});
    require(again.errors.isEmpty() && same(again.value));
    const config::ConfigFromJson fromObject = config::fromJson(config::toJson(c), {});
    require(fromObject.errors.isEmpty() && same(fromObject.value));
    return 0;
}
