#include "texts/shortlist.h"

namespace kliv::msg {

namespace {

QString cut(QStringView line) {
    if (line.size() <= LineChars)
        return line.toString();
    return line.first(LineChars - 1).toString() + u'…';
}

QString more(qsizetype rest) {
    return QStringLiteral("… и ещё %1").arg(rest);
}

} // namespace

QString shortList(const QStringList& lines, int shown) {
    shown = qMax(1, shown);
    QStringList out;
    for (qsizetype i = 0; i < lines.size() && i < shown; ++i)
        out.append(cut(lines.at(i)));
    if (lines.size() > shown)
        out.append(more(lines.size() - shown));
    return out.join(u'\n');
}

// Only the lines shown are copied: the rest are counted where they stand. A last line
// break ends the text; it opens no line.
QString shortText(const QString& text, int shown) {
    shown = qMax(1, shown);
    QStringView rest(text);
    if (rest.endsWith(u'\n'))
        rest.chop(1);
    QStringList out;
    while (out.size() < shown) {
        const qsizetype end = rest.indexOf(u'\n');
        out.append(cut(rest.first(end < 0 ? rest.size() : end)));
        if (end < 0)
            return out.join(u'\n');
        rest = rest.sliced(end + 1);
    }
    out.append(more(rest.count(u'\n') + 1));
    return out.join(u'\n');
}

} // namespace kliv::msg
