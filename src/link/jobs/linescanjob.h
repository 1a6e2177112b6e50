#pragma once

#include "link/job.h"

#include <QList>
#include <QString>
#include <QTimer>

namespace kliv {

// "Реле на линии": a presence probe to each serial number of a list in turn, at the line's
// speed, each given the time the search gives a probe at that speed and never repeated (a
// silent number is the common case on a line, not a fault); then each relay found is asked
// for its firmware version. A reply that carries another serial number than the one probed
// is that relay's, kept with the number it answered, never taken for the probed one. The
// probes run on the job's own clock, as the search's do: not counted, no reply time-out.
// What came back damaged during a number's probe (a bad sum, a cut frame, noise with no
// good answer beside it) is that number's: two relays that share a number answer at once
// and garble each other. Damage that comes during another number's probe is never blamed on
// this one.
class LineScanJob : public Job {
    Q_OBJECT
  public:
    Task task() const override { return Task::LineScan; }

    struct Relay {
        int serial = 0;
        int probed = 0;  // the number probed when it answered: its own, or another one
        QString version; // once read; empty when the relay did not tell it
        bool versionRead = false;
        bool operator==(const Relay&) const = default;
    };

    // A number whose probe brought answers back damaged: how many frames failed, or 1 for
    // noise alone.
    struct Damaged {
        int serial = 0;
        int answers = 0;
        bool operator==(const Damaged&) const = default;
    };

    explicit LineScanJob(QList<int> serials);

    int total() const { return int(m_serials.size()); }
    int probed() const { return m_next; }           // probes sent
    int intervalMs() const { return m_intervalMs; } // each probe's time, from the start
    int msLeft() const;                             // of the probes' schedule
    bool probing() const { return running() && m_versionOf < 0; }
    bool stopped() const { return m_stopped; }
    const QList<Relay>& relays() const { return m_relays; }
    const QList<Damaged>& damaged() const { return m_damaged; }
    const QTimer& timer() const { return m_timer; }

    // The probe clock's tick: the last probe's time is over. Public so tests drive it.
    void onTick();
    // The user's stop: no further probe, but the relays found so far still have their
    // versions read; a stop while they are read ends the scan at once.
    void stop();

  Q_SIGNALS:
    void progressChanged(int probed, int total, int msLeft);
    void relaysChanged(); // one found, a version read, or a number's answers damaged
    void probesDone();

  protected:
    void begin() override;
    void onReply(const QByteArray& frame) override;
    void onUnmatched(const QByteArray& frame) override;
    void onReplyTimeout() override;
    void onEnd() override;

  private:
    void probe();
    void note(const QByteArray& presenceReply, int probed);
    void closeProbe(); // the last probe's time is over: what came back damaged is its number's
    void endProbes();
    void readNextVersion();

    QList<int> m_serials;
    QList<Relay> m_relays;
    QList<Damaged> m_damaged;
    bool m_heard = false; // a good presence reply came during the last probe
    bool m_cut = false;   // the probe before it ended inside a frame
    QTimer m_timer;
    int m_intervalMs = 0;
    int m_next = 0;       // the next serial number to probe, by index
    int m_versionOf = -1; // the relay whose version is asked, by index; -1 while probing
    bool m_stopped = false;
};

} // namespace kliv
