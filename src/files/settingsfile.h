#pragma once

#include "files/configjson.h"
#include "model/configschema.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

// A settings file: the configuration's JSON object (config::toJson) with one more key,
// "header", saying where and when the values came from. A file without that key is the
// bare object the command-line tool writes, and reads the same way.
namespace kliv::settings {

// Raised only when an older reader could no longer tell what a file means; a reader takes
// every format up to its own.
constexpr int FormatVersion = 1;
inline constexpr char HeaderKey[] = "header";

struct Header {
    int format = FormatVersion;
    std::optional<int> serial; // the relay the values belong to, when known
    QString firmware;          // its firmware version when it was read; may be empty
    QDateTime saved;
    QString tool; // the version of the program that wrote the file
    bool operator==(const Header&) const = default;
};

// Indented text: the header first, then the fields in field order.
QByteArray encode(const Header& header, const Configuration& c);

struct Decoded {
    std::optional<Header> header; // none in a bare object
    Configuration value;          // the file's fields over `base`
    QStringList missing;          // keys of fields the file does not hold (kept from base)
    QStringList errors;           // each names its key or the header's
    QList<Problem> problems;      // the file's values that do not fit their fields
    bool usable() const { return errors.isEmpty() && problems.isEmpty(); }
};

// Every field is checked for its JSON type and for what its control admits; so is the
// header. Any error makes the whole file unusable.
Decoded decode(const QByteArray& bytes, const Configuration& base);

} // namespace kliv::settings
