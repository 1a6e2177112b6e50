#include "model/seriallist.h"

#include "protocol/frame.h"

#include <QRegularExpression>

namespace kliv::serials {

ParsedList parseList(const QString& text) {
    static const QRegularExpression separators(QStringLiteral("[,\\s]+"));
    ParsedList p;
    for (const QString& item : text.split(separators, Qt::SkipEmptyParts)) {
        bool ok = false;
        const int v = item.toInt(&ok, 10);
        p.item = item;
        if (!ok)
            p.problem = ListProblem::NotANumber;
        else if (v < frame::SerialMin || v > frame::SerialMax)
            p.problem = ListProblem::OutOfRange;
        else if (p.serials.contains(v))
            p.problem = ListProblem::Repeated;
        if (p.problem != ListProblem::None) {
            p.serials.clear();
            return p;
        }
        p.serials.append(v);
    }
    p.item.clear();
    if (p.serials.isEmpty())
        p.problem = ListProblem::Empty;
    return p;
}

QList<int> range(int from, int to) {
    QList<int> r;
    if (from < frame::SerialMin || to > frame::SerialMax || from > to)
        return r;
    r.reserve(to - from + 1);
    for (int s = from; s <= to; ++s)
        r.append(s);
    return r;
}

} // namespace kliv::serials
