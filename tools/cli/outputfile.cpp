#include "outputfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kliv::cli {

namespace {
constexpr int MaxNameBytes = 255; // one path component on the file systems in use
}

QString outputFileProblem(const QString& what, const QString& path) {
    if (path.trimmed().isEmpty())
        return QStringLiteral("%1: не указан файл.").arg(what);
    const QFileInfo file(path);
    if (QFile::encodeName(file.fileName()).size() > MaxNameBytes)
        return QStringLiteral("%1: имя файла длиннее %2 байт.").arg(what).arg(MaxNameBytes);
    if (file.isDir())
        return QStringLiteral("%1: %2 — папка, а не файл.").arg(what, path);
    const QFileInfo folder(file.absolutePath());
    if (!folder.isDir())
        return QStringLiteral("%1: папки %2 нет.")
            .arg(what, QDir::toNativeSeparators(folder.filePath()));
    if (!folder.isWritable() || (file.exists() && !file.isWritable()))
        return QStringLiteral("%1: нет права записи в %2.").arg(what, path);
    return {};
}

} // namespace kliv::cli
