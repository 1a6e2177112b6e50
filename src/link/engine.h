#pragma once

#include "link/job.h"
#include "link/port.h"
#include "link/receiver.h"
#include "link/traffic.h"
#include "model/session.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QObject>
#include <QPointer>
#include <QTimer>

Q_DECLARE_LOGGING_CATEGORY(lcFrames)

namespace kliv {

// The link to the relay: the port, the frame receiver, sending a request, handing each
// reply to the job that asked for it, the reply time-out, the poll watchdog and the idle
// close. One job at a time; the engine never shows a box, the front ends listen to its
// signals and to the jobs'. Timer and receive handlers are public plain methods, so tests
// drive them without waiting.
class Engine : public QObject {
    Q_OBJECT
  public:
    static constexpr int IdleCloseMs = 3000;
    static constexpr int WatchdogGiveUp = 5; // silent expiries in a row
    static constexpr int DefaultRetries = 2;
    static constexpr int MaxRetries = 9;

    explicit Engine(Port* port, QObject* parent = nullptr); // takes ownership of port
    ~Engine() override;

    // What is known of the relays on this line, filled by the jobs as their reads succeed:
    // the engine's own, or the shell's while it hands one over (null gives it back).
    model::Session& session() const { return *m_session; }
    void useSession(model::Session* session) { m_session = session ? session : &m_ownSession; }

    // --- line settings ---
    // A job keeps the line it started with: the relay it talks to and the speed it talks at.
    // A new serial number or speed ends the poll at once; during any other job the speed
    // (picked, or preset by a serial number) waits until the job has ended.
    void setPortName(const QString& name); // ends the job in flight and closes the port
    QString portName() const { return m_portName; }
    void setSpeedIndex(int index); // a speed picked by the user
    void applySpeed(int index);    // applies at once to an open line; out of range: ignored
    int speedIndex() const { return m_speedIndex; }
    void setSerial(int serial); // and presets the speed that relays of that number ship with
    int serial() const { return m_serial; }

    // How many more times a request that went unanswered, or whose answer arrived
    // damaged, is sent before its job fails (0..MaxRetries). Requests on the job's own
    // clock (the search probes, the RS485 speed change) and the poll keep their schedules.
    void setRetries(int retries);
    int retries() const { return m_retryLimit; }

    // --- the port ---
    bool openPort(); // closes and re-opens; false when it fails (see openFailure)
    void closePort();
    bool isOpen() const;

    // --- jobs ---
    // Takes ownership. The job in flight ends first: the poll stops, any other job is
    // cancelled, quietly when it is the same job started afresh. A refused job or a port
    // that does not open ends the new job at once.
    void start(Job* job);
    Job* current() const { return m_job; }
    void stopPoll(); // ends the poll if it runs; any other job goes on
    void cancel();   // ends the job in flight (the poll stops, others are cancelled)
    bool pollRunning() const { return m_job && m_job->openEnded(); }

    // --- what jobs use ---
    void send(Job* job, const Request& request);
    void resetCounters();

    // --- receive path ---
    void onReadyRead();                    // the port has bytes
    void receive(const QByteArray& bytes); // the bytes of one notification

    // --- timers (tick handlers, callable directly) ---
    void onReplyTimeout();
    void onWatchdogTick();
    void onIdleClose();
    // The request in flight has had its time (its time-out, the poll's watchdog, a job's
    // own clock): a whole reply that waited behind the unfinished frame of a noise start
    // byte is taken now. A pause on the line frees nothing before that, as an adapter may
    // hold back the rest of a reply just after a frame-shaped run of its payload. True
    // when the reply was taken.
    bool timeUp();
    // A held try of a timed request is due (see TimedPayload).
    void onHoldEnd();
    const QTimer& replyTimer() const { return m_replyTimer; }
    const QTimer& holdTimer() const { return m_holdTimer; }
    const QTimer& watchdog() const { return m_watchdog; }
    const QTimer& idleClose() const { return m_idleClose; }
    int watchdogRetries() const { return m_retries; }
    bool awaitingReply() const { return m_awaiting; }
    int attempt() const { return m_attempt; } // of the request in flight, from 1

    // What came back for the request in flight that no good frame took, until the next
    // request: frames whose sum or length failed, a frame left unfinished, and all the
    // bytes of those and of noise. A job on its own clock reads it before its next request.
    struct Damage {
        int badFrames = 0;
        bool cut = false;
        int strayBytes = 0;
    };
    Damage damage() const;

    int framesSent() const { return m_framesSent; }
    int framesReceived() const { return m_framesReceived; }
    int repeats() const { return m_repeats; } // requests sent again, since the poll started

  Q_SIGNALS:
    void framesSentChanged(int count);
    void framesReceivedChanged(int count);
    void repeatsChanged(int count);
    // A request is sent again: `attempt` of 1 + retries(), 2 for the first repeat. The
    // poll's watchdog re-sends count here too, with `of` 0 (it has its own schedule).
    void requestRepeated(quint8 kind, int attempt, int of);
    void speedIndexChanged(int index); // whoever moved it: a serial preset, a job following
                                       // the relay, the user
    void lineChanged();                // the port, the serial number or the speed
    void jobStarted(kliv::Job* job);
    void jobEnded(kliv::Job* job);
    void jobFailed(kliv::Job* job, const kliv::Outcome& outcome);
    void frameSent(const QByteArray& frame);
    void frameAccepted(const QByteArray& frame);
    // Every frame sent and every byte received, with what became of it; watching costs
    // the line nothing while no one listens.
    void traffic(const kliv::Traffic& t);

  private:
    friend class Job;
    void finish(Job* job);                     // called by the job as it ends
    Outcome portOutcome(Failure reason) const; // the port's name, and why it did not open
    void dispatch(const QByteArray& bytes);    // hands held frames on, feeding bytes as needed
    void onFrame(const QByteArray& frame);
    bool matches(const QByteArray& frame) const;
    void write(const QByteArray& frame, bool counted, Verdict verdict = Verdict::Good);
    void sendFirst();    // the first try of the request in flight
    void repeat(int of); // the request in flight, again
    void sendRepeat();
    bool hold(bool repeat); // true: the try waits for the hold timer
    QByteArray frameNow() const;
    void resetReceiver(); // what the last reply's bytes came to is told first
    bool watched() const;
    void tell(bool sent, const QByteArray& bytes, Verdict verdict);
    void tellSpans(const QList<FrameReceiver::Span>& spans);
    void armReplyTimer();
    void onLost(const QString& detail);
    void stopTimers();

    Port* m_port;
    model::Session m_ownSession;
    model::Session* m_session = &m_ownSession;
    FrameReceiver m_receiver;
    QTimer m_replyTimer, m_watchdog, m_idleClose, m_holdTimer;
    QString m_portName;
    int m_speedIndex = 10;
    int m_serial = 600;
    int m_heldSpeed = -1; // picked or preset while a job runs: applied when it ends
    bool m_jobMovedSpeed = false;
    int m_retryLimit = DefaultRetries;

    QPointer<Job> m_job;
    QByteArray m_lastRequest; // the frame in flight, for the watchdog's re-send
    quint16 m_lastSerial = 0;
    quint8 m_lastKind = 0;
    QByteArray m_lastPayload;
    std::optional<TimedPayload> m_timed;
    bool m_heldRepeat = false; // what the hold timer brings: a repeat, or the first try
    int m_heldOf = 0;          // the held repeat's `of`
    Watch m_lastWatch = Watch::ReplyTimeout;
    int m_lastExtraMs = 0;
    int m_attempt = 0;       // of the request in flight, from 1
    bool m_awaiting = false; // a reply to m_lastRequest is still welcome
    bool m_watchdogMark = false;
    int m_retries = 0;
    int m_framesSent = 0;
    int m_framesReceived = 0;
    int m_repeats = 0;
    QElapsedTimer m_clock;
    QByteArray m_received;  // since the receiver's reset, while the line is watched
    int m_badBefore = 0;    // the receiver's count of bad frames at its reset
    qint64 m_goodBytes = 0; // of the good frames handed on since the reset
};

} // namespace kliv
