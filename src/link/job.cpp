#include "link/job.h"

#include "link/engine.h"

namespace kliv {

Job::Job(QObject* parent) : QObject(parent) {
    qRegisterMetaType<kliv::Failure>();
    qRegisterMetaType<kliv::Outcome>();
}

void Job::onReplyTimeout() {
    fail(Failure::NoAnswer);
}

void Job::send(const Request& request) {
    if (running() && m_engine)
        m_engine->send(this, request);
}

model::Session* Job::session() const {
    return m_engine ? &m_engine->session() : nullptr;
}

void Job::replyTimeUp() {
    if (running() && m_engine && m_engine->current() == this)
        m_engine->timeUp();
}

void Job::succeed() {
    end(Phase::Succeeded, {});
}

void Job::fail(Failure reason) {
    Outcome o;
    o.reason = reason;
    fail(std::move(o));
}

void Job::fail(Outcome outcome) {
    end(Phase::Failed, std::move(outcome));
}

void Job::failShortReply(int got, int expected) {
    Outcome o;
    o.reason = Failure::ShortReply;
    o.replyLength = got;
    o.expectedLength = expected;
    fail(std::move(o));
}

void Job::failMismatch(QList<config::FieldDifference> differences) {
    Outcome o;
    o.reason = Failure::Mismatch;
    o.differences = std::move(differences);
    fail(std::move(o));
}

void Job::failRefused(QList<Problem> problems) {
    Outcome o;
    o.reason = Failure::RefusedInput;
    o.problems = std::move(problems);
    fail(std::move(o));
}

void Job::giveWay() {
    Outcome o;
    o.reason = Failure::Cancelled;
    end(Phase::Failed, std::move(o), false);
}

// The engine closes the port before the outcome is announced, so a box shown for it
// never waits on an open line.
void Job::end(Phase phase, Outcome outcome, bool announce) {
    if (!running())
        return;
    m_phase = phase;
    outcome.task = task();
    m_outcome = std::move(outcome);
    Engine* engine = m_engine;
    if (engine)
        engine->finish(this);
    if (phase == Phase::Succeeded) {
        Q_EMIT succeeded();
    } else {
        Q_EMIT failed(m_outcome);
        if (engine && announce && !m_quiet)
            Q_EMIT engine->jobFailed(this, m_outcome);
    }
}

} // namespace kliv
