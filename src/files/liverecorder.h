#pragma once

#include "protocol/numfmt.h"
#include "protocol/status.h"

#include <QDateTime>
#include <QIODevice>
#include <QString>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace kliv::files {

// Writes the poll's live records to a CSV file as they come, on a thread of its own: the
// poll only hands a record over, so a slow disk never holds up the line, and no record is
// lost however far the disk falls behind (records wait in memory until written).
class LiveRecorder {
  public:
    struct Result {
        qint64 received = 0, written = 0;
        QString error; // why writing stopped early, if it did
    };

    // A recording into `path` (replaced if it exists); null with the reason when the file
    // cannot be opened.
    static std::unique_ptr<LiveRecorder> start(const QString& path, const NumberLocale& loc,
                                               QString* error);
    // Into any open device, which the recorder then owns and uses from its own thread only.
    LiveRecorder(std::unique_ptr<QIODevice> out, const NumberLocale& loc);
    ~LiveRecorder(); // stops, writing what is left

    void add(const QDateTime& at, const LiveStatus& s); // never waits for the disk
    Result stop(); // writes what is left and closes; the counts are then final

  private:
    struct Entry {
        QDateTime at;
        LiveStatus record;
    };
    void run();

    std::unique_ptr<QIODevice> m_out;
    NumberLocale m_locale;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Entry> m_queue;
    bool m_stopping = false;
    qint64 m_received = 0, m_written = 0;
    QString m_error;
    std::thread m_thread;
};

} // namespace kliv::files
