#include "link/jobs/recordedcalibrationjob.h"

#include "link/jobs/configreadjob.h"
#include "protocol/frame.h"

namespace kliv {

RecordedCalibrationJob::RecordedCalibrationJob(const calibration::References& references,
                                               std::optional<calibration::Coefficients> kept)
    : CalibrationJob(references, kept) {
    // The step after the last measurement is the write leaving.
    connect(this, &CalibrationJob::progress, this, [this](int step) {
        if (step > calibration::Measurements)
            m_writeSent = true;
    });
}

QByteArray RecordedCalibrationJob::after() const {
    if (!writeReply() || m_before.isEmpty())
        return {};
    QByteArray block = m_before;
    const calibration::WriteReply& reply = *writeReply();
    for (int c = 0; c < calibration::ChannelCount; ++c) {
        const int k = reply.coefficients[std::size_t(c)];
        block[config::CoefficientsByte + 2 * c] = char(k >> 8);
        block[config::CoefficientsByte + 2 * c + 1] = char(k);
    }
    if (reply.blocking)
        block[config::FlagsByte] = char(quint8(block.at(config::FlagsByte)) | config::BlockingFlag);
    else
        block[config::FlagsByte] =
            char(quint8(block.at(config::FlagsByte)) & quint8(~config::BlockingFlag));
    return block;
}

std::optional<RelayChange> RecordedCalibrationJob::change() const {
    std::optional<RelayChange> c = CalibrationJob::change();
    if (m_writeSent) {
        c->before = m_before;
        c->after = after();
    }
    return c;
}

void RecordedCalibrationJob::begin() {
    m_readingBefore = true;
    send({KindConfigRead});
}

bool RecordedCalibrationJob::accepts(const QByteArray& frame) const {
    if (m_readingBefore)
        return frame::payloadOf(frame).size() >= config::BlockSize;
    return CalibrationJob::accepts(frame);
}

void RecordedCalibrationJob::onReply(const QByteArray& frame) {
    if (!m_readingBefore) {
        CalibrationJob::onReply(frame);
        return;
    }
    m_readingBefore = false;
    m_before = ConfigReadJob::blockOf(frame);
    if (model::Session* s = session(); s && !m_before.isEmpty())
        s->setConfiguration(serial(), m_before);
    beginWith(m_before);
}

} // namespace kliv
