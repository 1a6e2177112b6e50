#include "files/trendload.h"

namespace kliv::files {

TrendLoad::TrendLoad(const QString& path, TrendRequest request, QObject* parent)
    : QObject(parent), m_file(path), m_reader(m_file), m_request(std::move(request)) {
    m_reader.onProgress = [this](qint64 done, qint64 total) { Q_EMIT progress(done, total); };
    m_reader.onColumns = [this](const QStringList& columns) { Q_EMIT columnsRead(columns); };
}

TrendLoad::~TrendLoad() {
    cancel();
    if (m_thread.joinable())
        m_thread.join();
}

void TrendLoad::start() {
    m_thread = std::thread([this] {
        if (!m_file.open(QIODevice::ReadOnly)) {
            Trend t;
            t.problem = Trend::Problem::Open;
            t.systemError = m_file.errorString();
            Q_EMIT finished(t);
            return;
        }
        const Trend t = m_reader.read(m_request);
        m_file.close();
        Q_EMIT finished(t);
    });
}

} // namespace kliv::files
