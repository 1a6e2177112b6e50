#include "link/jobs/eventlogjob.h"

#include "protocol/frame.h"

#include <QPointer>

namespace kliv {

void EventLogJob::begin() {
    send(m_reader.start());
}

bool EventLogJob::accepts(const QByteArray& frame) const {
    return m_reader.expects(frame::payloadOf(frame));
}

void EventLogJob::onReply(const QByteArray& frame) {
    switch (m_reader.take(frame::payloadOf(frame))) {
    case EventLogReader::Step::Ignored: // accepts() lets no other block through
        return;
    case EventLogReader::Step::NextBlock:
        send(m_reader.nextRequest());
        Q_EMIT progress(m_reader.blocksRead());
        return;
    case EventLogReader::Step::Complete: {
        m_rows = m_reader.rows();
        if (model::Session* s = session())
            s->setEvents(serial(), m_rows);
        QPointer<Job> self(this);
        Q_EMIT progress(m_reader.blocksRead());
        if (self && running())
            succeed();
        return;
    }
    }
}

} // namespace kliv
