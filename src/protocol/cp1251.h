#pragma once

#include <QByteArray>
#include <QString>

namespace kliv::cp1251 {

// Wire texts are one byte per character in Windows-1251.
QString decode(const QByteArray& bytes);
// Decodes up to (not including) the first zero byte.
QString decodeToZero(const QByteArray& bytes);
QByteArray encode(const QString& text);

} // namespace kliv::cp1251
