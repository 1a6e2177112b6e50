#pragma once

#include <QString>

namespace kliv::cli {

// Why no file can be written at `path`: checked before anything is read from the relay,
// so that a reading is never lost to a name that cannot take it. Empty when one can; else
// the reason, naming `what` (the option or argument that gave the path).
QString outputFileProblem(const QString& what, const QString& path);

} // namespace kliv::cli
