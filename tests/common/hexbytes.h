#pragma once

#include "protocol/frame.h"

#include <QByteArray>
#include <QString>

namespace kliv::test {

// Bytes written as hex in a test table ("AA 01 FF"); a typo in a table is the test's own
// fault, so it stops the test at once.
inline QByteArray bytes(const char* hexText) {
    bool ok = false;
    const QByteArray b = frame::fromHex(QString::fromLatin1(hexText), &ok);
    Q_ASSERT(ok);
    return b;
}

} // namespace kliv::test
