#include "link/jobs/configwritejob.h"

#include "link/jobs/configreadjob.h"
#include "protocol/frame.h"
#include "protocol/speeds.h"

#include <QPointer>

namespace kliv {

ConfigWriteJob::ConfigWriteJob() {
    qRegisterMetaType<kliv::Configuration>();
}

ConfigWriteJob::ConfigWriteJob(const Configuration& wanted, const QStringList& keys)
    : ConfigWriteJob() {
    m_wanted = wanted;
    m_keys = keys;
}

// Nothing that does not fit its field on the wire is ever sent: it would be cut to its
// low bits and the relay would protect with a value nobody chose. A field not asked for
// is never written, so its value is not the job's to judge.
QList<Problem> ConfigWriteJob::refusal() const {
    QList<Problem> found;
    for (const Problem& p : config::problems(m_wanted))
        if (m_keys.contains(p.key))
            found.append(p);
    return found;
}

QByteArray ConfigWriteJob::blockFor(const QByteArray& held) const {
    return config::merge(held, m_wanted, m_keys);
}

std::optional<RelayChange> ConfigWriteJob::change() const {
    RelayChange c;
    c.before = m_before;
    c.after = m_after;
    return c;
}

void ConfigWriteJob::begin() {
    m_step = Step::ReadingHeld;
    send({KindConfigRead});
}

void ConfigWriteJob::onReply(const QByteArray& frame) {
    switch (m_step) {
    case Step::ReadingHeld:
        onHeld(frame);
        break;
    case Step::Writing:
        onWriteReply(frame);
        break;
    case Step::ReadingBack:
        onReadBack(frame);
        break;
    }
}

// Without the block the relay holds there is nothing to write over, and the change could
// not be backed out: nothing is written.
void ConfigWriteJob::onHeld(const QByteArray& frame) {
    m_before = ConfigReadJob::blockOf(frame);
    if (m_before.isEmpty()) {
        failShortReply(frame::payloadLength(frame), config::BlockSize);
        return;
    }
    if (model::Session* s = session())
        s->setConfiguration(serial(), m_before);
    m_sent = blockFor(m_before);
    m_step = Step::Writing;
    send({KindConfigWrite, char(config::WriteFull) + m_sent, Watch::ReplyTimeout,
          speeds::ConfigWriteExtraMs});
}

void ConfigWriteJob::onWriteReply(const QByteArray& frame) {
    const QByteArray payload = frame::payloadOf(frame);
    if (payload.isEmpty() || quint8(payload.at(0)) != config::WriteFull) {
        failMismatch({}); // not even confirmed
        return;
    }
    m_step = Step::ReadingBack;
    send({KindConfigRead});
}

void ConfigWriteJob::onReadBack(const QByteArray& frame) {
    const QByteArray block = ConfigReadJob::blockOf(frame);
    if (block.isEmpty()) {
        failShortReply(frame::payloadLength(frame), config::BlockSize);
        return;
    }
    m_after = block;
    if (model::Session* s = session())
        s->setConfiguration(serial(), m_after);
    m_readBack = config::decode(m_after);
    QPointer<ConfigWriteJob> self(this);
    Q_EMIT readBackDone(m_readBack);
    if (!self || !running())
        return;
    if (m_after == m_sent) {
        succeed();
        return;
    }
    QList<config::FieldDifference> found = differences();
    if (found.isEmpty())
        found = config::byteDifferences(m_sent, m_after);
    failMismatch(found);
}

QList<config::FieldDifference> ConfigWriteJob::differences() const {
    return config::differences(config::decode(m_sent), m_readBack);
}

} // namespace kliv
