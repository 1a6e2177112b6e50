#pragma once

#include "files/fileidentity.h"
#include "files/recording.h"
#include "protocol/status.h"

#include <QDateTime>
#include <QIODevice>
#include <QObject>
#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace kliv::files {

// How a recording's lines read: its header, and a row a record, each with its line end.
struct RowFormat {
    QString header;
    std::function<QString(const QDateTime& at, const LiveStatus& record)> row;
};

// Writes the poll's live records to a CSV file as they come, on a thread of its own: the
// poll only hands a record over, so a slow disk never holds up the line, and no record is
// lost however far the disk falls behind (records wait in memory until written). The
// first failure is told at once and ends the writing: a recording is never taken for
// written when it is not.
class LiveRecorder : public QObject {
    Q_OBJECT
  public:
    using Problem = Recording::Problem;
    using Result = Recording;

    // A recording into `path` (replaced if it exists); null with the reason when the file
    // cannot be opened.
    static std::unique_ptr<LiveRecorder> start(const QString& path, RowFormat format,
                                               QString* error);
    // Into any open device, which the recorder then owns and uses from its own thread only;
    // `file` tells a file removed or replaced under its name.
    LiveRecorder(std::unique_ptr<QIODevice> out, RowFormat format, const FileIdentity& file = {});
    ~LiveRecorder() override; // stops, writing what is left

    void add(const QDateTime& at, const LiveStatus& s); // never waits for the disk
    // Writes what is left, checks that the file is still the one written, and closes; the
    // counts are then final.
    Result stop();

  Q_SIGNALS:
    // From the writer's thread, at the first failure; nothing more is written. stop() says
    // what it was.
    void failed();

  private:
    struct Entry {
        QDateTime at;
        LiveStatus record;
    };
    void startWriter();
    void run();
    Problem writeOut(const QByteArray& bytes); // the writer's thread, or stop() once it ended
    void fail(Problem problem);                // the first one only

    std::unique_ptr<QIODevice> m_out;
    RowFormat m_format;
    FileIdentity m_file;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Entry> m_queue;
    bool m_stopping = false;
    bool m_started = false; // the writer, once: a stopped recorder starts none again
    qint64 m_received = 0, m_written = 0;
    Problem m_problem = Problem::None;
    QString m_error;
    std::thread m_thread;
};

} // namespace kliv::files
