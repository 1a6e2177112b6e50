#include "lineup.h"

namespace kliv::sim {

QList<RelayOnLine> lineUp(const RelaySettings& common, const QList<quint16>& serials,
                          const QList<FaultRule>& rules, QString* error) {
    for (const FaultRule& r : rules) {
        if (r.serial >= 0 && !serials.contains(quint16(r.serial))) {
            if (error)
                *error = QStringLiteral("no relay %1 on the line").arg(r.serial);
            return {};
        }
    }
    QList<RelayOnLine> line;
    for (qsizetype place = 0; place < serials.size(); ++place) {
        RelayOnLine relay{common, {}};
        relay.settings.serial = serials.at(place);
        relay.settings.place = int(place);
        for (const FaultRule& r : rules) {
            if (r.serial >= 0 && r.serial != relay.settings.serial)
                continue;
            // A misstore is the relay's own doing; the other faults act on the line.
            (r.action == FaultRule::Action::Misstore ? relay.settings.misstores : relay.faults)
                .append(r);
        }
        line.append(relay);
    }
    return line;
}

QByteArray collide(const QList<QByteArray>& answers) {
    QByteArray line;
    for (qsizetype start = 0; start < answers.size(); ++start) {
        const QByteArray& a = answers.at(start);
        if (line.size() < start + a.size())
            line.append(QByteArray(start + a.size() - line.size(), '\xFF')); // an idle line
        for (qsizetype i = 0; i < a.size(); ++i)
            line[start + i] = char(quint8(line.at(start + i)) & quint8(a.at(i)));
    }
    return line;
}

} // namespace kliv::sim
