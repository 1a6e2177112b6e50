#include "files/liverecorder.h"

#include <QFile>

namespace kliv::files {

std::unique_ptr<LiveRecorder> LiveRecorder::start(const QString& path, RowFormat format,
                                                  QString* error) {
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error)
            *error = file->errorString();
        return nullptr;
    }
    const FileIdentity identity(*file, path);
    return std::make_unique<LiveRecorder>(std::move(file), std::move(format), identity);
}

LiveRecorder::LiveRecorder(std::unique_ptr<QIODevice> out, RowFormat format,
                           const FileIdentity& file)
    : m_out(std::move(out)), m_format(std::move(format)), m_file(file) {}

LiveRecorder::~LiveRecorder() {
    stop();
}

void LiveRecorder::add(const QDateTime& at, const LiveStatus& s) {
    {
        const std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;
        ++m_received;
        if (m_problem != Problem::None)
            return; // nothing more is written: the records need not pile up
        m_queue.push_back({at, s});
    }
    startWriter();
    m_wake.notify_one();
}

// Only as the first record comes (or at the stop), so that whoever started the recording
// has heard of nothing yet, not even a header that failed.
void LiveRecorder::startWriter() {
    if (m_thread.joinable() || m_started)
        return;
    m_started = true;
    m_thread = std::thread([this] {
        if (const Problem p = writeOut(m_format.header.toUtf8()); p != Problem::None)
            fail(p);
        run();
    });
}

// A last look once everything is written: a file removed since the last batch, or a
// device that only fails as it is flushed, must not pass for a whole recording.
LiveRecorder::Result LiveRecorder::stop() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    startWriter();
    m_wake.notify_one();
    if (m_thread.joinable()) {
        m_thread.join();
        if (const Problem p = writeOut({}); p != Problem::None)
            fail(p);
    }
    if (m_out->isOpen())
        m_out->close();
    const std::lock_guard lock(m_mutex);
    return {m_received, m_written, m_problem, m_error};
}

LiveRecorder::Problem LiveRecorder::writeOut(const QByteArray& bytes) {
    // Flushed at once, so that what counts as written is on the disk.
    auto* file = qobject_cast<QFileDevice*>(m_out.get());
    if (m_out->write(bytes) != bytes.size() || (file && !file->flush()))
        return Problem::Write;
    return m_file.stillThere() ? Problem::None : Problem::Gone;
}

void LiveRecorder::fail(Problem problem) {
    {
        const std::lock_guard lock(m_mutex);
        if (m_problem != Problem::None)
            return;
        m_problem = problem;
        if (problem == Problem::Write)
            m_error = m_out->errorString();
        m_queue.clear();
    }
    Q_EMIT failed();
}

// Rows are formatted here, off the poll's path, and written in batches of whatever has
// gathered since the last write.
void LiveRecorder::run() {
    for (;;) {
        std::deque<Entry> batch;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
            if (m_queue.empty())
                return; // stopping, and nothing is left
            batch.swap(m_queue);
        }
        QByteArray bytes;
        for (const Entry& e : batch)
            bytes += m_format.row(e.at, e.record).toUtf8();
        if (const Problem p = writeOut(bytes); p != Problem::None) {
            fail(p);
            continue;
        }
        const std::lock_guard lock(m_mutex);
        m_written += qint64(batch.size());
    }
}

} // namespace kliv::files
