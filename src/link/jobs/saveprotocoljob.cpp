#include "link/jobs/saveprotocoljob.h"

#include "link/jobs/configreadjob.h"
#include "protocol/frame.h"

#include <QPointer>

namespace kliv {

void SaveProtocolJob::begin() {
    qRegisterMetaType<kliv::Configuration>();
    qRegisterMetaType<kliv::AccountingRecord>();
    m_step = Step::ReadingConfiguration;
    send({KindConfigRead});
}

// Only the block asked for is taken; another one leaves the request under its time-out.
bool SaveProtocolJob::accepts(const QByteArray& frame) const {
    if (m_step != Step::ReadingEvents)
        return true;
    return m_reader.expects(frame::payloadOf(frame));
}

void SaveProtocolJob::onReply(const QByteArray& frame) {
    switch (m_step) {
    case Step::ReadingConfiguration:
        onConfiguration(frame);
        break;
    case Step::ReadingAccounting:
        onAccounting(frame);
        break;
    case Step::ReadingEvents:
        onEvents(frame);
        break;
    }
}

void SaveProtocolJob::onConfiguration(const QByteArray& frame) {
    const QByteArray block = ConfigReadJob::blockOf(frame);
    if (block.isEmpty()) {
        failShortReply(frame::payloadLength(frame), config::BlockSize);
        return;
    }
    if (model::Session* s = session())
        s->setConfiguration(serial(), block);
    m_configuration = config::forPage(config::decode(block)); // as the page shows it
    m_step = Step::ReadingAccounting;
    send({KindAccountingRead});
    Q_EMIT configurationRead(m_configuration);
}

void SaveProtocolJob::onAccounting(const QByteArray& frame) {
    m_accounting = accounting::decode(frame::payloadOf(frame));
    if (model::Session* s = session())
        s->setAccounting(serial(), m_accounting);
    m_step = Step::ReadingEvents;
    send(m_reader.start());
    QPointer<SaveProtocolJob> self(this);
    Q_EMIT accountingRead(m_accounting);
    if (self)
        Q_EMIT eventsProgress(0);
}

void SaveProtocolJob::onEvents(const QByteArray& frame) {
    switch (m_reader.take(frame::payloadOf(frame))) {
    case EventLogReader::Step::Ignored: // accepts() let no other block through
        return;
    case EventLogReader::Step::NextBlock:
        send(m_reader.nextRequest());
        Q_EMIT eventsProgress(m_reader.blocksRead());
        return;
    case EventLogReader::Step::Complete: {
        m_events = m_reader.rows();
        if (model::Session* s = session())
            s->setEvents(serial(), m_events);
        QPointer<SaveProtocolJob> self(this);
        Q_EMIT eventsProgress(m_reader.blocksRead());
        if (self && running())
            succeed();
        return;
    }
    }
}

} // namespace kliv
