#pragma once

#include "link/job.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>

namespace kliv {

class Engine;

// One job for each relay of a list, in turn, on one engine: each job is for its own relay
// and quiet, its failure the batch's to report, so that a relay that does not answer never
// stops the others. A line that fails (a port that does not open, a lost line) or a job
// cancelled ends the batch, since every further relay would fail the same way.
class LineBatch : public QObject {
    Q_OBJECT
  public:
    using MakeJob = std::function<Job*()>;

    LineBatch(Engine& engine, QList<int> serials, MakeJob make, QObject* parent = nullptr);

    void start();
    void stop(); // the job in flight is cancelled; no further one starts
    bool running() const { return m_running; }
    const QList<int>& serials() const { return m_serials; }

  Q_SIGNALS:
    void relayStarted(int serial, kliv::Job* job, int index); // index into serials()
    // The job has ended, either way: read it here, the engine deletes it later.
    void relayEnded(int serial, kliv::Job* job);
    void finished(int tried); // relays whose job has run, from the first on

  private:
    void next();
    void ended(Job* job);

    Engine& m_engine;
    QList<int> m_serials;
    MakeJob m_make;
    int m_index = 0;
    bool m_running = false;
    bool m_stopping = false;
    QPointer<Job> m_job;
};

} // namespace kliv
