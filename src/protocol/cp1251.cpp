#include "protocol/cp1251.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace kliv::cp1251 {

QString decode(const QByteArray& bytes) {
    QStringDecoder decoder("windows-1251");
    return decoder.decode(bytes);
}

QString decodeToZero(const QByteArray& bytes) {
    const qsizetype end = bytes.indexOf('\0');
    return decode(end < 0 ? bytes : bytes.left(end));
}

QByteArray encode(const QString& text) {
    QStringEncoder encoder("windows-1251");
    return encoder.encode(text);
}

} // namespace kliv::cp1251
