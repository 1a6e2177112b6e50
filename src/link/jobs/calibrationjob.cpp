#include "link/jobs/calibrationjob.h"

#include "link/messages.h"
#include "link/speeds.h"
#include "protocol/frame.h"
#include "protocol/status.h"

#include <QPointer>
#include <cmath>

namespace kliv {

using namespace calibration;

CalibrationJob::CalibrationJob(const References& references, std::optional<Coefficients> kept)
    : m_references(references), m_kept(kept) {}

std::optional<Message> CalibrationJob::failureMessage(Failure reason) const {
    if (reason == Failure::RefusedInput)
        return msg::calibrationRefused();
    return std::nullopt;
}

QString CalibrationJob::refusal() const {
    for (int c = 0; c < ChannelCount; ++c) {
        const auto& r = m_references[std::size_t(c)];
        if (r && !(std::isfinite(*r) && *r > 0))
            return referenceProblem(c, QString::number(*r));
        if (!r && m_kept) {
            const int k = (*m_kept)[std::size_t(c)];
            if (k < 0 || k > MaxCoefficient)
                return coefficientProblem(c, QString::number(k));
        }
    }
    return {};
}

void CalibrationJob::begin() {
    m_sums = {};
    m_step = 0;
    m_strays = 0;
    ask(m_kept ? Stage::Measuring : Stage::ReadingKept);
}

void CalibrationJob::ask(Stage stage) {
    m_stage = stage;
    switch (stage) {
    case Stage::ReadingKept:
        send({KindConfigRead});
        break;
    case Stage::Measuring:
        send({KindStatus, QByteArray(1, char(SelectorCalibration))});
        break;
    case Stage::Writing:
        send({KindConfigWrite, m_writePayload, Watch::ReplyTimeout, speeds::ConfigWriteExtraMs});
        break;
    }
}

void CalibrationJob::onReply(const QByteArray& frame) {
    const QByteArray payload = frame::payloadOf(frame);
    switch (m_stage) {
    case Stage::ReadingKept:
        if (payload.size() < config::BlockSize)
            return turnAway(QStringLiteral("Ответ устройства не содержит конфигурации."));
        m_strays = 0;
        m_kept = coefficientsOf(config::decode(payload));
        ask(Stage::Measuring);
        return;
    case Stage::Measuring:
        if (const auto readings = decodeMeasurement(payload))
            return measured(*readings);
        return turnAway(QStringLiteral("Ответ устройства не является калибровочным измерением."));
    case Stage::Writing:
        if (const auto reply = decodeWriteReply(payload)) {
            m_result = *reply;
            succeed();
            return;
        }
        return turnAway(QStringLiteral("Ответ устройства не подтверждает запись калибровки."));
    }
}

void CalibrationJob::measured(const Readings& readings) {
    m_strays = 0;
    add(m_sums, readings);
    ++m_step;
    QPointer<Job> self(this);
    Q_EMIT progress(m_step);
    if (!self || !running())
        return;
    if (m_step < Measurements)
        ask(Stage::Measuring);
    else
        write();
}

void CalibrationJob::write() {
    const Computed computed = compute(m_sums, m_references, *m_kept);
    if (!computed.problem.isEmpty()) {
        fail(Failure::RefusedInput, computed.problem);
        return;
    }
    QPointer<Job> self(this);
    Q_EMIT coefficientsComputed(computed.coefficients);
    if (!self || !running())
        return;
    m_writePayload = writePayload(computed.coefficients);
    ask(Stage::Writing);
    if (running())
        Q_EMIT progress(++m_step);
}

// A reply of the kind asked for that is not the answer (the late reply of a poll that
// has just given way) stopped the engine's time-out: the request goes out once more,
// and a second such reply in a row ends the job.
void CalibrationJob::turnAway(const QString& why) {
    if (++m_strays > 1) {
        fail(Failure::Mismatch, why);
        return;
    }
    ask(m_stage);
}

} // namespace kliv
