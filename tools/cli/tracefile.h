#pragma once

#include <QFile>
#include <QString>
#include <QTextStream>

namespace kliv {
class Engine;
}

namespace kliv::cli {

// --trace FILE: every frame of the run, one line each, as the window's monitor saves them.
class TraceFile {
  public:
    bool open(Engine& engine, const QString& path);

  private:
    QFile m_file;
    QTextStream m_out;
};

} // namespace kliv::cli
