#include "link/jobs/calibrationjob.h"

#include "model/calibrationcheck.h"
#include "protocol/frame.h"
#include "protocol/speeds.h"
#include "protocol/status.h"

#include <QPointer>
#include <cmath>

namespace kliv {

using namespace calibration;

CalibrationJob::CalibrationJob(const References& references, std::optional<Coefficients> kept)
    : m_references(references), m_kept(kept) {}

QList<Problem> CalibrationJob::refusal() const {
    for (int c = 0; c < ChannelCount; ++c) {
        const auto& r = m_references[std::size_t(c)];
        if (r && !(std::isfinite(*r) && *r > 0))
            return {referenceProblem(c, *r)};
        if (!r && m_kept) {
            const int k = (*m_kept)[std::size_t(c)];
            if (k < 0 || k > MaxCoefficient)
                return {coefficientProblem(c, k)};
        }
    }
    return {};
}

std::optional<RelayChange> CalibrationJob::change() const {
    RelayChange c;
    if (m_result)
        c.coefficients = m_result->coefficients;
    return c;
}

void CalibrationJob::begin() {
    m_sums = {};
    m_step = 0;
    m_result.reset();
    if (m_kept) {
        measure();
        return;
    }
    m_stage = Stage::ReadingKept;
    send({KindConfigRead});
}

void CalibrationJob::beginWith(const QByteArray& block) {
    if (!m_kept)
        m_kept = coefficientsOf(config::decode(block));
    CalibrationJob::begin(); // not a subclass's, which may read first
}

void CalibrationJob::measure() {
    m_stage = Stage::Measuring;
    send({KindStatus, QByteArray(1, char(SelectorCalibration))});
}

bool CalibrationJob::accepts(const QByteArray& frame) const {
    const QByteArray payload = frame::payloadOf(frame);
    switch (m_stage) {
    case Stage::ReadingKept:
        return payload.size() >= config::BlockSize;
    case Stage::Measuring:
        return decodeMeasurement(payload).has_value();
    case Stage::Writing:
        return decodeWriteReply(payload).has_value();
    }
    return false;
}

void CalibrationJob::onReply(const QByteArray& frame) {
    const QByteArray payload = frame::payloadOf(frame);
    switch (m_stage) {
    case Stage::ReadingKept:
        m_kept = coefficientsOf(config::decode(payload));
        measure();
        return;
    case Stage::Measuring:
        measured(*decodeMeasurement(payload));
        return;
    case Stage::Writing:
        written(*decodeWriteReply(payload));
        return;
    }
}

// As with a configuration write, only what the relay reports holding counts.
void CalibrationJob::written(const WriteReply& reply) {
    m_result = reply;
    if (model::Session* s = session())
        s->setCoefficients(serial(), reply.coefficients);
    const QList<config::FieldDifference> differences = calibration::differences(m_sent, reply);
    if (differences.isEmpty())
        succeed();
    else
        failMismatch(differences);
}

void CalibrationJob::measured(const Readings& readings) {
    add(m_sums, readings);
    ++m_step;
    QPointer<Job> self(this);
    Q_EMIT progress(m_step);
    if (!self || !running())
        return;
    if (m_step < Measurements)
        measure();
    else
        write();
}

void CalibrationJob::write() {
    const Computed computed = compute(m_sums, m_references, *m_kept);
    if (computed.fault != Computed::Fault::None) {
        failRefused({computedProblem(computed)});
        return;
    }
    QPointer<Job> self(this);
    Q_EMIT coefficientsComputed(computed.coefficients);
    if (!self || !running())
        return;
    m_stage = Stage::Writing;
    m_sent = computed.coefficients;
    send({KindConfigWrite, writePayload(computed.coefficients), Watch::ReplyTimeout,
          speeds::ConfigWriteExtraMs});
    if (running())
        Q_EMIT progress(++m_step);
}

} // namespace kliv
