#include "link/jobs/configwritejob.h"

#include "link/jobs/configreadjob.h"
#include "protocol/frame.h"
#include "protocol/speeds.h"

#include <QPointer>

namespace kliv {

ConfigWriteJob::ConfigWriteJob(const Configuration& value) : m_value(value) {
    qRegisterMetaType<kliv::Configuration>();
}

// Nothing that does not fit its field on the wire is ever sent: it would be cut to its
// low bits and the relay would protect with a value nobody chose.
QStringList ConfigWriteJob::refusal() const {
    QStringList texts;
    for (const config::FieldProblem& p : config::problems(m_value, NumberLocale::system()))
        texts.append(p.text);
    return texts;
}

std::optional<RelayChange> ConfigWriteJob::change() const {
    return RelayChange{};
}

void ConfigWriteJob::begin() {
    m_block = config::encode(m_value);
    send({KindConfigWrite, config::writePayload(m_value), Watch::ReplyTimeout,
          speeds::ConfigWriteExtraMs});
}

void ConfigWriteJob::onReply(const QByteArray& frame) {
    if (m_step == Step::Writing)
        onWriteReply(frame);
    else
        onReadReply(frame);
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

void ConfigWriteJob::onReadReply(const QByteArray& frame) {
    m_readBlock = ConfigReadJob::blockOf(frame);
    if (m_readBlock.isEmpty()) {
        failShortReply(frame::payloadLength(frame), config::BlockSize);
        return;
    }
    m_readBack = config::decode(m_readBlock);
    QPointer<ConfigWriteJob> self(this);
    Q_EMIT readBackDone(m_readBack);
    if (!self || !running())
        return;
    if (m_readBlock == m_block) {
        succeed();
        return;
    }
    QList<config::FieldDifference> found = differences(NumberLocale::system());
    if (found.isEmpty())
        found = config::byteDifferences(m_block, m_readBlock);
    failMismatch(found);
}

QList<config::FieldDifference> ConfigWriteJob::differences(const NumberLocale& loc) const {
    return config::differences(config::decode(m_block), m_readBack, loc);
}

} // namespace kliv
