#pragma once

#include <QByteArray>
#include <QString>

namespace kliv::files {

// Writes the file whole or not at all: a failed write leaves any earlier file as it was.
// Empty when written, else the system's reason.
QString writeWhole(const QString& path, const QByteArray& bytes);

} // namespace kliv::files
