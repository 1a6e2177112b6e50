#include "files/liverecorder.h"

#include "protocol/liverecord.h"

#include <QFile>

namespace kliv::files {

std::unique_ptr<LiveRecorder> LiveRecorder::start(const QString& path, const NumberLocale& loc,
                                                  QString* error) {
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error)
            *error = file->errorString();
        return nullptr;
    }
    return std::make_unique<LiveRecorder>(std::move(file), loc);
}

LiveRecorder::LiveRecorder(std::unique_ptr<QIODevice> out, const NumberLocale& loc)
    : m_out(std::move(out)), m_locale(loc) {
    const QByteArray head = liverecord::header().toUtf8();
    if (m_out->write(head) != head.size())
        m_error = m_out->errorString();
    m_thread = std::thread([this] { run(); });
}

LiveRecorder::~LiveRecorder() {
    stop();
}

void LiveRecorder::add(const QDateTime& at, const LiveStatus& s) {
    {
        const std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;
        m_queue.push_back({at, s});
        ++m_received;
    }
    m_wake.notify_one();
}

LiveRecorder::Result LiveRecorder::stop() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable())
        m_thread.join();
    if (m_out->isOpen())
        m_out->close();
    const std::lock_guard lock(m_mutex);
    return {m_received, m_written, m_error};
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
            bytes += liverecord::row(e.at, e.record, m_locale).toUtf8();
        // Flushed at once, so that what counts as written is on the disk.
        auto* file = qobject_cast<QFileDevice*>(m_out.get());
        const bool ok =
            m_error.isEmpty() && m_out->write(bytes) == bytes.size() && (!file || file->flush());
        const std::lock_guard lock(m_mutex);
        if (ok)
            m_written += qint64(batch.size());
        else if (m_error.isEmpty())
            m_error = m_out->errorString();
    }
}

} // namespace kliv::files
