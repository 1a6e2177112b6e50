#include "protocol/frame.h"

#include "protocol/calibration.h"
#include "protocol/configuration.h"

#include <QString>

namespace kliv::frame {

quint16 sum(const char* data, int size) {
    quint32 s = 0;
    for (int i = 0; i < size; ++i)
        s += quint8(data[i]);
    return quint16(s);
}

quint16 sum(const QByteArray& headerAndPayload) {
    return sum(headerAndPayload.constData(), int(headerAndPayload.size()));
}

QByteArray build(quint16 serial, quint8 kind, const QByteArray& payload) {
    Q_ASSERT(payload.size() <= 255);
    QByteArray f;
    f.reserve(int(payload.size()) + Overhead);
    f.append(char(StartByte));
    f.append(char(RequestMarker));
    f.append(char(serial >> 8));
    f.append(char(serial & 0xFF));
    f.append(char(kind));
    f.append(char(payload.size()));
    f.append(payload);
    const quint16 s = sum(f);
    f.append(char(s >> 8));
    f.append(char(s & 0xFF));
    return f;
}

bool check(const QByteArray& f) {
    if (f.size() < Overhead || quint8(f.at(0)) != StartByte)
        return false;
    const int n = payloadLength(f);
    if (f.size() < n + Overhead)
        return false;
    const quint16 s = sum(f.constData(), n + HeaderSize);
    const quint16 got = quint16(quint8(f.at(n + 6)) << 8 | quint8(f.at(n + 7)));
    return s == got;
}

Effect effectOf(quint8 kind, const QByteArray& p) {
    const auto n = p.size();
    const auto first = n > 0 ? quint8(p.at(0)) : quint8(0);
    switch (kind) {
    case KindPresence:
        if (n == 0)
            return Effect::Reads;
        return n == 1 && first <= MaxSpeedIndex ? Effect::Changes : Effect::Unknown;
    case KindStatus:
        return n == 1 && (first <= 4 || (first >= 17 && first <= 19)) ? Effect::Reads
                                                                      : Effect::Unknown;
    case KindConfigRead:
    case KindAccountingRead:
    case KindVersion:
        return n == 0 ? Effect::Reads : Effect::Unknown;
    case KindEventRecord:
        return n == 1 && first <= MaxBlockIndex ? Effect::Reads : Effect::Unknown;
    case KindConfigWrite:
        return (n == config::WritePayloadSize && first == config::WriteFull) ||
                       (n == calibration::WritePayloadSize && first == config::WriteCalibration)
                   ? Effect::Changes
                   : Effect::Unknown;
    case KindClockSet:
        return n == ClockSetPayload ? Effect::Changes : Effect::Unknown;
    case KindProtectionReset:
    case KindAccountingReset:
        return n == 0 ? Effect::Changes : Effect::Unknown;
    default:
        return Effect::Unknown;
    }
}

QString hex(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QByteArray fromHex(const QString& text, bool* ok) {
    QString digits = text;
    digits.remove(QLatin1Char(' '));
    digits.remove(QLatin1Char(':'));
    bool good = digits.size() % 2 == 0;
    for (QChar c : digits)
        good = good && (c.isDigit() || QStringLiteral("abcdefABCDEF").contains(c));
    if (ok)
        *ok = good;
    return good ? QByteArray::fromHex(digits.toLatin1()) : QByteArray();
}

} // namespace kliv::frame
