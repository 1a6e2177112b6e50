#pragma once

#include <QByteArray>
#include <QString>

namespace kliv::cp1251 {

// Wire texts are one byte per character in Windows-1251.
QString decode(const QByteArray& bytes);
// Decodes up to (not including) the first zero byte.
QString decodeToZero(const QByteArray& bytes);
// A character the code page lacks becomes 0x1A, or nothing if it is one that is meant to
// be invisible (a zero-width or bidi mark, U+FEFF); so a text reaches the relay as typed
// exactly when decode(encode(text)) == text.
QByteArray encode(const QString& text);

} // namespace kliv::cp1251
