#include "link/jobs/eventlogjob.h"

#include "link/engine.h"
#include "link/speeds.h"
#include "protocol/frame.h"

#include <QPointer>

namespace kliv {

EventLogJob::EventLogJob() {
    connect(&m_deadline, &ReplyDeadline::expired, this, [this] { onReplyTimeout(); });
}

void EventLogJob::ask(const Request& request) {
    send(request);
    m_deadline.sent(speeds::replyTimeoutMs(engine().speedIndex()) + request.extraTimeoutMs);
}

void EventLogJob::begin() {
    ask(m_reader.start());
}

void EventLogJob::onReply(const QByteArray& frame) {
    switch (m_reader.take(frame::payloadOf(frame))) {
    case EventLogReader::Step::Ignored:
        m_deadline.waitOut();
        return;
    case EventLogReader::Step::NextBlock:
        ask(m_reader.nextRequest());
        Q_EMIT progress(m_reader.blocksRead());
        return;
    case EventLogReader::Step::Complete: {
        m_rows = m_reader.rows();
        QPointer<Job> self(this);
        Q_EMIT progress(m_reader.blocksRead());
        if (!self || !running())
            return;
        succeed();
        return;
    }
    }
}

void EventLogJob::onEnd() {
    m_deadline.stop();
}

} // namespace kliv
