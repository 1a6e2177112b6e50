#pragma once

#include <QString>

namespace kliv {

// The report template: the copy beside the executable (a build or a portable folder)
// first, then the installed one; empty when there is none.
QString findTemplate(const QString& executableDir);

} // namespace kliv
