#include "tracefile.h"

#include "link/engine.h"
#include "texts/traffictexts.h"

namespace kliv::cli {

// Buffered, and flushed as the stream closes with the program: a trace never slows the
// line it watches. Lines end in LF on every system, as the monitor's saved text does, so
// that a trace and a saved list compare byte for byte.
bool TraceFile::open(Engine& engine, const QString& path) {
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    m_out.setDevice(&m_file);
    QObject::connect(&engine, &Engine::traffic, &engine,
                     [this](const Traffic& t) { m_out << msg::trafficLine(t) << '\n'; });
    return true;
}

} // namespace kliv::cli
