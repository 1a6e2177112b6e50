#pragma once

#include "link/change.h"
#include "link/outcome.h"
#include "model/session.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

namespace kliv {

class Engine;

// Who notices that a request went unanswered.
enum class Watch {
    ReplyTimeout, // the engine's reply time-out, by line speed
    Watchdog,     // the engine's poll watchdog: re-sends, gives up at the fifth silent expiry
    Job,          // the job's own clock: not counted, no reply time-out, no idle close
};

// A payload that names the moment it arrives (the clock set) is only true when it is
// built: every try of its request, repeats included, waits as long as the job says and is
// then built at the moment it is written.
struct TimedPayload {
    std::function<int()> holdMs;       // from now until the try is written; 0: at once
    std::function<QByteArray()> build; // as the try is written
};

// One request frame as a job asks for it; the engine adds the header and the sum.
struct Request {
    Request(quint8 kind, QByteArray payload = {}, Watch watch = Watch::ReplyTimeout,
            int extraTimeoutMs = 0)
        : kind(kind), payload(std::move(payload)), watch(watch), extraTimeoutMs(extraTimeoutMs) {}
    quint8 kind;
    QByteArray payload;
    Watch watch;
    int extraTimeoutMs; // on top of the line's time-out
    // The relay it is for when not the job's own: a job that speaks to every relay of a
    // line addresses each request. 0: the job's.
    int serial = 0;
    // Instead of `payload`, for a request that names the moment it arrives.
    std::optional<TimedPayload> timed;
};

// One exchange with the relay, from its first request to its result: what it sends,
// what each reply does, and how it ends. A job runs on the engine, which owns the line,
// matches each reply to the request in flight and ends the job on a time-out or a lost
// line; the job never closes the port itself. The engine deletes an ended job later.
class Job : public QObject {
    Q_OBJECT
  public:
    enum class Phase { Waiting, Running, Succeeded, Failed };

    explicit Job(QObject* parent = nullptr);

    Phase phase() const { return m_phase; }
    bool running() const { return m_phase == Phase::Running; }
    virtual Task task() const = 0;
    // Once failed: why, with what the front ends need to say so.
    const Outcome& outcome() const { return m_outcome; }
    Failure failure() const { return m_outcome.reason; }
    // The serial number of the relay the job talks to, fixed as it starts: a number typed
    // meanwhile is for the next job.
    int serial() const { return m_serial; }

    // Before it starts: the relay this job is for, instead of the engine's (one relay of
    // several on a line).
    void setRelay(int serial) { m_serial = serial; }
    // Its failure is reported by whoever started it (among others, or not at all), so the
    // engine does not announce it (jobFailed).
    void setQuiet() { m_quiet = true; }

    // The poll runs until it is stopped; stopping it is its normal end, not a failure.
    virtual bool openEnded() const { return false; }

    // What a job that changes the relay did to it, once it has ended (whatever the end);
    // nothing for a job that only reads.
    virtual std::optional<RelayChange> change() const { return std::nullopt; }

  Q_SIGNALS:
    void succeeded(); // the port is already closed
    void failed(const kliv::Outcome& outcome);

  protected:
    friend class Engine;

    // Checked before the port is opened: any problem refuses the job, each naming its field.
    virtual QList<Problem> refusal() const { return {}; }
    virtual void begin() = 0; // the port is open
    // A reply of the right kind and serial number that is still not the one asked for (a
    // block other than the one requested) is turned away: the engine keeps waiting, and
    // the request's time-out still runs.
    virtual bool accepts(const QByteArray& frame) const {
        Q_UNUSED(frame);
        return true;
    }
    virtual void onReply(const QByteArray& frame) = 0;
    // A good frame that is not the reply awaited: another relay's, another kind's, a late one.
    virtual void onUnmatched(const QByteArray& frame) { Q_UNUSED(frame); }
    virtual void onReplyTimeout();
    virtual void onEnd() {} // whatever the outcome: stop the job's own clocks

    Engine& engine() const { return *m_engine; }
    // What is known of the relays, for a read to fill as it succeeds; null without an engine.
    model::Session* session() const;
    // Sends on the engine's line; does nothing once the job has ended.
    void send(const Request& request);
    // A request on the job's own clock has had its time: a reply that waited behind the
    // unfinished frame of a noise start byte reaches onReply now. Called before the clock
    // moves the job on.
    void replyTimeUp();
    void succeed();
    void fail(Failure reason);                  // with nothing more to say
    void fail(Outcome outcome);                 // its task is the job's own
    void failShortReply(int got, int expected); // payload bytes
    // Empty: the relay did not confirm the write at all.
    void failMismatch(QList<config::FieldDifference> differences);
    void failRefused(QList<Problem> problems);

  private:
    // Replaced by the same job started afresh: cancelled without the engine announcing
    // it, since the user has just asked for the job again.
    void giveWay();
    void end(Phase phase, Outcome outcome, bool announce = true);

    Engine* m_engine = nullptr;
    int m_serial = 0;
    bool m_quiet = false;
    Phase m_phase = Phase::Waiting;
    Outcome m_outcome;
};

} // namespace kliv
