#include "texts/eventtexts.h"

#include "protocol/status.h"
#include "texts/protections.h"
#include "texts/statustext.h"

#include <QJsonObject>

namespace kliv::eventlog {

namespace {

QString twoDigits(int v) {
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

QString onOff(bool on) {
    return on ? QStringLiteral("Вкл.") : QStringLiteral("Выкл.");
}

double amperes(quint16 tenths) {
    return tenths / 10.0;
}

const protections::Protection* acting(quint8 protection) {
    const int bit = actingBit(protection);
    return bit < 0 ? nullptr : &protections::All[std::size_t(bit)];
}

QString csvField(const QString& s) {
    if (!s.contains(QLatin1Char(';')) && !s.contains(QLatin1Char('"')) &&
        !s.contains(QLatin1Char('\n')) && !s.contains(QLatin1Char('\r')))
        return s;
    QString quoted = s;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

QString dateTimeText(const EventRecord& r) {
    const QLatin1Char colon(':');
    return twoDigits(r.day) + QLatin1Char('.') + twoDigits(r.month) + QLatin1Char('.') +
           twoDigits(r.year) + QStringLiteral("  ") + twoDigits(r.hours) + colon +
           twoDigits(r.minutes) + colon + twoDigits(r.seconds) + colon + QString::number(r.order);
}

QString protectionName(quint8 protection) {
    const protections::Protection* p = acting(protection);
    return p ? QString::fromUtf8(p->eventName) : QString();
}

EventTexts texts(const EventRecord& r, const NumberLocale& loc) {
    return {dateTimeText(r),
            onOff(r.state & RelayOnBit),
            onOff(r.state & EquipmentOnBit),
            protectionName(r.protection),
            QString::number(r.ua),
            QString::number(r.ub),
            QString::number(r.uc),
            status::currentText(r.ia, loc),
            status::currentText(r.ib, loc),
            status::currentText(r.ic, loc),
            status::currentText(r.idif, loc),
            status::cosText(r.cosf, loc)};
}

QList<EventTexts> texts(const QList<EventRow>& rows, const NumberLocale& loc) {
    QList<EventTexts> out;
    out.reserve(rows.size());
    for (const EventRow& row : rows)
        out.append(texts(row.record, loc));
    return out;
}

QStringList headers() {
    return {QStringLiteral("№ п/п"), QStringLiteral("Дата/Время"), QStringLiteral("КЛИВ"),
            QStringLiteral("Обор."), QStringLiteral("Защита"),     QStringLiteral("Ua, В"),
            QStringLiteral("Ub, В"), QStringLiteral("Uc, В"),      QStringLiteral("Ia, A"),
            QStringLiteral("Ib, A"), QStringLiteral("Ic, A"),      QStringLiteral("Iут, А"),
            QStringLiteral("cos f")};
}

QString csv(const QList<EventTexts>& rowsInOrder) {
    const QString lineEnd = QStringLiteral("\r\n");
    QString out = headers().join(QLatin1Char(';')) + lineEnd;
    int n = 0;
    for (const EventTexts& row : rowsInOrder) {
        out += QString::number(++n);
        for (const QString& field : row)
            out += QLatin1Char(';') + csvField(field);
        out += lineEnd;
    }
    return out;
}

QJsonArray json(const QList<EventRow>& rows) {
    QJsonArray out;
    int n = 0;
    for (const EventRow& row : rows) {
        const EventRecord& r = row.record;
        const protections::Protection* p = acting(r.protection);
        const QDate date = dateOf(r);
        const QTime time = timeOf(r);
        const QJsonValue when = isValid(r)
                                    ? QJsonValue(date.toString(Qt::ISODate) + QLatin1Char('T') +
                                                 time.toString(Qt::ISODate))
                                    : QJsonValue();
        out.append(QJsonObject{
            {QStringLiteral("n"), ++n},
            {QStringLiteral("position"), row.position},
            {QStringLiteral("time"), when},
            {QStringLiteral("order"), r.order},
            {QStringLiteral("relayOn"), bool(r.state & RelayOnBit)},
            {QStringLiteral("equipmentOn"), bool(r.state & EquipmentOnBit)},
            {QStringLiteral("protection"),
             p ? QJsonValue(QString::fromLatin1(p->key)) : QJsonValue()},
            {QStringLiteral("protectionName"),
             p ? QJsonValue(QString::fromUtf8(p->eventName)) : QJsonValue()},
            {QStringLiteral("ua"), r.ua},
            {QStringLiteral("ub"), r.ub},
            {QStringLiteral("uc"), r.uc},
            {QStringLiteral("ia"), amperes(r.ia)},
            {QStringLiteral("ib"), amperes(r.ib)},
            {QStringLiteral("ic"), amperes(r.ic)},
            {QStringLiteral("idif"), amperes(r.idif)},
            {QStringLiteral("cosf"), status::cosValue(r.cosf)},
        });
    }
    return out;
}

} // namespace kliv::eventlog
