#pragma once

#include "files/trendreader.h"

#include <QFile>
#include <QObject>
#include <thread>

namespace kliv::files {

// A recording read on a thread of its own, so that a window stays with its user however
// large the file; what the read finds comes as signals, queued to the window's thread.
class TrendLoad : public QObject {
    Q_OBJECT
  public:
    TrendLoad(const QString& path, TrendRequest request, QObject* parent = nullptr);
    ~TrendLoad() override; // cancels, and waits for the thread, which stops within a chunk

    void start();
    void cancel() { m_reader.cancel(); }

  Q_SIGNALS:
    void progress(qint64 done, qint64 total);
    void columnsRead(const QStringList& columns);
    void finished(const kliv::files::Trend& trend); // cancelled ones too

  private:
    QFile m_file; // used by the thread only
    TrendReader m_reader;
    TrendRequest m_request;
    std::thread m_thread;
};

} // namespace kliv::files
