#pragma once

#include <QString>

namespace kliv {

// The report template: the copy beside the executable (a build or a portable folder)
// first, then the installed one relative to the executable (bin/../share/kliv-service),
// then the one at the configured install prefix; an absolute path, empty when there is none.
QString findTemplate(const QString& executableDir);

} // namespace kliv
