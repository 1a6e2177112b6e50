#include "files/fileidentity.h"

#include <QFile>
#include <QFileDevice>
#include <QFileInfo>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

namespace kliv::files {

#ifdef Q_OS_WIN

// Windows refuses to remove or replace a file that is open for writing, and its folder
// with it; its name going is all that is left to notice.
FileIdentity::FileIdentity(const QFileDevice&, const QString& path) : m_path(path), m_known(true) {}

bool FileIdentity::stillThere() const {
    return !m_known || QFileInfo::exists(m_path);
}

#else

FileIdentity::FileIdentity(const QFileDevice& open, const QString& path) : m_path(path) {
    struct stat st {};
    if (open.handle() < 0 || ::fstat(open.handle(), &st) != 0)
        return;
    m_known = true;
    m_device = quint64(st.st_dev);
    m_inode = quint64(st.st_ino);
}

bool FileIdentity::stillThere() const {
    if (!m_known)
        return true;
    struct stat st {};
    return ::stat(QFile::encodeName(m_path).constData(), &st) == 0 &&
           quint64(st.st_dev) == m_device && quint64(st.st_ino) == m_inode;
}

#endif

} // namespace kliv::files
