#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The members of a JSON object as its text names them. A QJsonObject keeps one value a
// name, the last, so a file naming a field twice would pass unseen with either value.
namespace kliv::json {

struct Member {
    QString key;         // as JSON decodes it: "\u007a" is "z"
    qsizetype begin = 0; // the member's value: from its first byte
    qsizetype end = 0;   // to just after its last
};

// The members of the one object `text` holds (after an optional byte order mark and
// blanks), in text order, repeats kept; none when the text is no such object. Linear in the
// text's size.
std::optional<QList<Member>> members(QByteArrayView text);

// The keys named more than once, each once, in the order their first repeats come.
QStringList repeatedKeys(const QList<Member>& members);

} // namespace kliv::json
