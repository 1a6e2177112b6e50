#pragma once

#include "link/message.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <optional>

namespace kliv {

class Engine;

// Who notices that a request went unanswered.
enum class Watch {
    ReplyTimeout, // the engine's reply time-out, by line speed
    Watchdog,     // the engine's poll watchdog: re-sends, gives up at the fifth silent expiry
    Job,          // the job's own clock: not counted, no reply time-out, no idle close
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
};

// Why a job ended without its result.
enum class Failure {
    NoAnswer,      // the relay did not answer in time
    LineLost,      // the device vanished while the line was open
    PortNotOpened, // the port could not be opened; nothing was sent
    RefusedInput,  // a value cannot be sent as it stands; nothing was sent
    Cancelled,     // the job gave way to another one before it ended
    Mismatch,      // the relay answered, but does not hold what was sent
    ShortReply,    // the relay answered with less than such a reply holds
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
    Failure failure() const { return m_failure; }
    QString failureDetail() const { return m_detail; }
    // The serial number of the relay the job talks to, fixed as it starts: a number typed
    // meanwhile is for the next job.
    int serial() const { return m_serial; }

    // The poll runs until it is stopped; stopping it is its normal end, not a failure.
    virtual bool openEnded() const { return false; }

    // The box for an ending the job words itself (a search that found nothing); empty
    // for the common words of the reason.
    virtual std::optional<Message> failureMessage(Failure) const { return std::nullopt; }

  Q_SIGNALS:
    void succeeded(); // the port is already closed
    void failed(kliv::Failure reason, const QString& detail);

  protected:
    friend class Engine;

    // Checked before the port is opened; a non-empty text refuses the job.
    virtual QString refusal() const { return {}; }
    virtual void begin() = 0; // the port is open
    // A reply of the right kind and serial number that is still not the one asked for (a
    // block other than the one requested) is turned away: the engine keeps waiting, and
    // the request's time-out still runs.
    virtual bool accepts(const QByteArray& frame) const {
        Q_UNUSED(frame);
        return true;
    }
    virtual void onReply(const QByteArray& frame) = 0;
    virtual void onReplyTimeout();
    virtual void onEnd() {} // whatever the outcome: stop the job's own clocks

    Engine& engine() const { return *m_engine; }
    // Sends on the engine's line; does nothing once the job has ended.
    void send(const Request& request);
    void succeed();
    void fail(Failure reason, const QString& detail = {});

  private:
    // Replaced by the same job started afresh: cancelled without the engine announcing
    // it, since the user has just asked for the job again.
    void giveWay();
    void end(Phase phase, Failure reason, const QString& detail, bool announce = true);

    Engine* m_engine = nullptr;
    int m_serial = 0;
    Phase m_phase = Phase::Waiting;
    Failure m_failure = Failure::NoAnswer;
    QString m_detail;
};

} // namespace kliv

Q_DECLARE_METATYPE(kliv::Failure)
