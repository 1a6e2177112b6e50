#pragma once

#include <QString>

class QFileDevice;

namespace kliv::files {

// Which file an open file is, so that one removed or replaced under its name (its folder
// deleted, another file moved onto it) is noticed: writing on would fill a file no one
// can ever open.
class FileIdentity {
  public:
    FileIdentity() = default; // of no file: always still there
    FileIdentity(const QFileDevice& open, const QString& path);

    // The path still names the open file.
    bool stillThere() const;

  private:
    QString m_path;
    bool m_known = false;
    quint64 m_device = 0, m_inode = 0;
};

} // namespace kliv::files
