#pragma once

#include "faults.h"
#include "lineup.h"
#include "relaymodel.h"
#include "requestassembler.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <deque>
#include <optional>

class QSocketNotifier;

namespace kliv::sim {

struct PtyOptions {
    qint32 baud = 115200; // line speed the replies are paced at
    bool pace = true;     // false: replies leave at once, whole
    int latencyMs = 0;    // the relay's thinking time before it answers
    QString linkPath;     // a symbolic link to the device, replaced if present
    // A relay hears only frames sent at its own speed; anything else is line noise to it.
    bool strictSpeed = true;
};

// A reply that stops on its way, as a USB adapter that holds received bytes back.
struct ReplyPause {
    qsizetype at = 0; // bytes that leave before it
    qint64 us = 0;
};

// The simulated relay on a pseudo-terminal: the tool opens the slave side as its serial
// port, the relay reads requests from the master side and answers them at line speed.
// Several relays may share the line, as on an RS-485 bus: each answers its own serial
// number, one answer at a time on the line; two of one number answer at once, garbled.
class PtyRelay : public QObject {
    Q_OBJECT
  public:
    PtyRelay(const RelaySettings& relay, const PtyOptions& options, QList<FaultRule> faults = {},
             QObject* parent = nullptr);
    PtyRelay(const QList<RelayOnLine>& relays, const PtyOptions& options,
             QObject* parent = nullptr);
    ~PtyRelay() override;

    // Opens the device and returns its path (/dev/pts/N); empty on failure.
    QString start(QString* error = nullptr);
    // Closes the device in order and removes the link.
    void stop();
    // The adapter is unplugged: the tool's open port fails from now on.
    void vanish();

    bool isRunning() const { return m_master >= 0; }
    QString devicePath() const { return m_slavePath; }
    RelayModel& model() { return m_stations.front().model; } // the first relay on the line
    RelayModel* model(quint16 serial);                       // null: none of that number
    qint64 nowMs() const { return m_clock.elapsed(); }
    int lineBaud() const { return m_options.baud; } // moves with a followed speed change

  Q_SIGNALS:
    void replySent(const QByteArray& bytes); // once its last byte has been written
    void vanished();

  private:
    struct Station {
        Station(const RelayOnLine& relay, quint32 seed)
            : model(relay.settings), faults(relay.faults, seed) {}
        RelayModel model;
        FaultInjector faults;
    };
    // The relay the request is addressed to; the first one when it is for none of them.
    Station& stationFor(const QByteArray& request);
    // The first relay's answer with those of every other relay of the request's number,
    // as they leave together.
    QByteArray withSharers(Station& first, const QByteArray& request, const QByteArray& answer);

    void onReadable();
    void handle(const RequestAssembler::Request& request);
    void logClockSet(const RelayModel& model);
    void schedule(const QByteArray& bytes, qint64 earliestUs, std::optional<int> thenBaud = {},
                  int gapUs = 0, ReplyPause pause = {});
    void pump();
    void armPump(qint64 atUs); // wakes pump() at that time, to the microsecond
    void closeDevice();
    qint64 nowUs() const { return m_clock.nsecsElapsed() / 1000; }
    bool paced() const;
    qint64 lineTimeUs(qint64 bytes) const;

    struct Outgoing {
        QByteArray bytes;
        qint64 startUs = 0;
        qsizetype written = 0;
        std::optional<int> thenBaud; // the line speed the relay moves to once this has left
        int gapUs = 0;               // a split answer: one byte a write, this far apart
        ReplyPause pause;
    };
    qint64 dueUs(const Outgoing& o, qsizetype byte) const; // when that byte has left

    PtyOptions m_options;
    std::deque<Station> m_stations;
    RequestAssembler m_assembler;
    QElapsedTimer m_clock;
    int m_pumpFd = -1; // a timerfd: a QTimer's millisecond steps would slow the line
    QSocketNotifier* m_pumpNotifier = nullptr;
    QSocketNotifier* m_notifier = nullptr;
    std::deque<Outgoing> m_out;
    qint64 m_lineFreeUs = 0;
    qint64 m_actedMs = 0; // when the relay acted on the last request, in model time
    int m_master = -1;
    int m_slave = -1; // held so that the master never sees the line hang up
    QString m_slavePath;
};

} // namespace kliv::sim
