#include "link/job.h"

#include "link/engine.h"

namespace kliv {

Job::Job(QObject* parent) : QObject(parent) {
    qRegisterMetaType<kliv::Failure>();
}

void Job::onReplyTimeout() {
    fail(Failure::NoAnswer);
}

void Job::send(const Request& request) {
    if (running() && m_engine)
        m_engine->send(this, request);
}

void Job::succeed() {
    end(Phase::Succeeded, Failure::NoAnswer, {});
}

void Job::fail(Failure reason, const QString& detail) {
    end(Phase::Failed, reason, detail);
}

void Job::giveWay() {
    end(Phase::Failed, Failure::Cancelled, {}, false);
}

// The engine closes the port before the outcome is announced, so a box shown for it
// never waits on an open line.
void Job::end(Phase phase, Failure reason, const QString& detail, bool announce) {
    if (!running())
        return;
    m_phase = phase;
    m_failure = reason;
    m_detail = detail;
    Engine* engine = m_engine;
    if (engine)
        engine->finish(this);
    if (phase == Phase::Succeeded) {
        Q_EMIT succeeded();
    } else {
        Q_EMIT failed(reason, detail);
        if (engine && announce)
            Q_EMIT engine->jobFailed(this, reason, detail);
    }
}

} // namespace kliv
