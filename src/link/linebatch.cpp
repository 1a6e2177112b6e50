#include "link/linebatch.h"

#include "link/engine.h"

namespace kliv {

LineBatch::LineBatch(Engine& engine, QList<int> serials, MakeJob make, QObject* parent)
    : QObject(parent), m_engine(engine), m_serials(std::move(serials)), m_make(std::move(make)) {}

void LineBatch::start() {
    m_index = 0;
    m_running = true;
    m_stopping = false;
    next();
}

void LineBatch::stop() {
    m_stopping = true;
    if (m_job && m_job->running())
        m_engine.cancel();
}

void LineBatch::next() {
    if (m_stopping || m_index >= m_serials.size()) {
        m_running = false;
        Q_EMIT finished(m_index);
        return;
    }
    Job* job = m_make();
    job->setRelay(m_serials.at(m_index));
    job->setQuiet();
    connect(job, &Job::succeeded, this, [this, job] { ended(job); });
    connect(job, &Job::failed, this, [this, job] { ended(job); });
    m_job = job;
    Q_EMIT relayStarted(m_serials.at(m_index), job, m_index);
    m_engine.start(job);
}

void LineBatch::ended(Job* job) {
    const Failure reason = job->failure();
    const bool lineFailed = job->phase() == Job::Phase::Failed &&
                            (reason == Failure::PortNotOpened || reason == Failure::LineLost ||
                             reason == Failure::Cancelled);
    m_job = nullptr;
    ++m_index;
    Q_EMIT relayEnded(job->serial(), job);
    if (lineFailed)
        m_stopping = true;
    next();
}

} // namespace kliv
