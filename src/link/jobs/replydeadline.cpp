#include "link/jobs/replydeadline.h"

namespace kliv {

ReplyDeadline::ReplyDeadline(QObject* parent) : QObject(parent) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ReplyDeadline::onExpiry);
}

void ReplyDeadline::sent(int timeoutMs) {
    m_timer.stop();
    m_timeoutMs = timeoutMs;
    m_since.start();
}

void ReplyDeadline::waitOut() {
    const qint64 left = m_since.isValid() ? m_timeoutMs - m_since.elapsed() : 0;
    m_timer.start(int(qMax<qint64>(0, left)));
}

void ReplyDeadline::stop() {
    m_timer.stop();
}

void ReplyDeadline::onExpiry() {
    m_timer.stop();
    Q_EMIT expired();
}

} // namespace kliv
