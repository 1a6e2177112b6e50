#include "report/templatepath.h"

#include <QFileInfo>

namespace kliv {

QString findTemplate(const QString& executableDir) {
    const QString candidates[] = {executableDir + QStringLiteral("/docs/prot-kliv.docx"),
                                  QStringLiteral(KLIV_INSTALLED_TEMPLATE)};
    for (const QString& path : candidates)
        if (QFileInfo(path).isFile())
            return path;
    return {};
}

} // namespace kliv
