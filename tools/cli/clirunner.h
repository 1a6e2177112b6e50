#pragma once

#include "link/engine.h"
#include "texts/messages.h"

#include <QJsonObject>
#include <QObject>
#include <functional>

namespace kliv::cli {

// Exit codes of kliv-cli.
enum Exit { Done = 0, NoAnswer = 1, BadUsage = 2, PortFailed = 3 };

int exitCodeFor(Failure reason);

// Runs one job on the engine to its end and turns its outcome into output and an exit
// code; the texts are those of the windows' boxes.
class Runner : public QObject {
    Q_OBJECT
  public:
    Runner(Engine& engine, bool json);

    // Starts the job and runs the event loop until it ends; `onSuccess` prints its result.
    template <class J> int run(J* job, std::function<void(J&)> onSuccess) {
        connect(job, &Job::succeeded, this, [this, job, onSuccess] {
            onSuccess(*job);
            finish(Done);
        });
        return exec(job);
    }

    // The first job of several in a row: its success starts the next one instead of
    // ending the run (`next` starts it with then() or run's last job, or finishes).
    template <class J> int runFirst(J* job, std::function<void(J&)> next) {
        connect(job, &Job::succeeded, this, [job, next] { next(*job); });
        return exec(job);
    }
    // The next job, started from inside a running chain; ends the run when it succeeds.
    template <class J> void then(J* job, std::function<void(J&)> onSuccess) {
        connect(job, &Job::succeeded, this, [this, job, onSuccess] {
            onSuccess(*job);
            finish(Done);
        });
        m_engine.start(job);
    }

    // Work that is not one job (the files of every relay): `begin` starts it once the
    // event loop runs, and it ends the run with finish().
    int runLoop(std::function<void()> begin);

    void finish(int code);
    void print(const QString& text);           // stdout
    void printJson(const QJsonObject& object); // stdout, one line
    void printBox(const Message& m);           // a completion box's text, or {"result": text}
    void fail(int code, const Message& m, const QString& detail = {});

    // Runs first when a job fails, e.g. so the poll can still print its rate line.
    void setBeforeFailure(std::function<void()> f) { m_beforeFailure = std::move(f); }

    bool json() const { return m_json; }
    Engine& engine() { return m_engine; }

  private:
    int exec(Job* job);

    Engine& m_engine;
    bool m_json;
    bool m_finished = false;
    std::function<void()> m_beforeFailure;
};

} // namespace kliv::cli
