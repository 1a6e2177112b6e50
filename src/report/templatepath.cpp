#include "report/templatepath.h"

#include <QDir>
#include <QFileInfo>

namespace kliv {

QString findTemplate(const QString& executableDir) {
    // The installed layout is also looked for beside the program's own bin folder, so a
    // package unpacked under another prefix still finds its template.
    const QString candidates[] = {executableDir + QStringLiteral("/docs/prot-kliv.docx"),
                                  executableDir +
                                      QStringLiteral("/../share/kliv-service/prot-kliv.docx"),
                                  QStringLiteral(KLIV_INSTALLED_TEMPLATE)};
    for (const QString& path : candidates)
        if (QFileInfo(path).isFile())
            return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    return {};
}

} // namespace kliv
