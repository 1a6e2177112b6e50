#pragma once

#include "link/port.h"
#include "link/receiver.h"
#include "protocol/status.h"
#include "protocol/waveform.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <QObject>
#include <QTimer>
#include <array>

Q_DECLARE_LOGGING_CATEGORY(lcFrames)

namespace kliv {

// The exchange state shared by every job (one instance, owned by the engine).
struct ExchangeState {
    quint8 requestKind = 0;
    int jobState = 0;
    std::array<quint8, 87> tx{}; // the request frame; payload byte k at index 6 + k
    quint8 rxFlags = 0;          // bit 1: poll watchdog mark
    int retryCount = 0;
    quint8& payload0() { return tx[6]; } // status selector / sub-mode / block index
};

// The exchange engine: owns the port, the exchange state, the timers and the jobs.
// Both front ends only call it and listen to its signals; it never shows a box.
// Timer and receive handlers are public plain methods so tests can drive them.
class Engine : public QObject {
    Q_OBJECT
  public:
    explicit Engine(Port* port, QObject* parent = nullptr); // takes ownership of port
    ~Engine() override;

    // --- line settings (the connection group of the main window) ---
    void setPortName(const QString& name); // cmbPortsChange: ends the poll, closes
    QString portName() const { return m_portName; }
    void setSpeedIndex(int index); // cb_speedChange: ends the poll, Comspeed
    void Comspeed(int index);      // Comspeed alone (no poll end)
    int speedIndex() const { return m_speedIndex; }
    void setSerial(int serial); // frm1_znChange: presets the speed index
    int serial() const { return m_serial; }
    void setView(int view) { m_view = view; } // cmb_m item index, read at each reply
    int view() const { return m_view; }

    // --- port ---
    bool comopen();  // closes and re-opens; false (and portOpenFailed) when it fails
    void comclose(); // closes, stops the idle close
    bool isOpen() const;

    // --- jobs ---
    void diagnosClick(); // starts the poll, or stops it and closes the port
    void endPoll();      // the caption goes back to "Диагностика"
    bool pollRunning() const { return m_pollRunning; }
    void readVersion();                                   // "Версия программы МК"
    void resetProtection();                               // "Сброс защиты"
    void setClock(const QByteArray& payload9);            // "Корректировка часов"
    void sendRaw(quint8 kind, const QByteArray& payload); // service: any request kind

    // --- the request builder and the receive path ---
    void TXD();
    void cp1RxChar();                      // receive notification: reads the port
    void receive(const QByteArray& bytes); // the bytes of one notification
    void RX_OK();                          // dispatch of the held frame

    // --- timers (tick handlers, callable directly) ---
    void Timer2Timer(); // poll watchdog
    void Timer3Timer(); // reply time-out
    void Timer4Timer(); // port idle close
    const QTimer& timer2() const { return m_timer2; }
    const QTimer& timer3() const { return m_timer3; }
    const QTimer& timer4() const { return m_timer4; }

    // --- state, for the windows' counters and the tests ---
    int framesSent() const { return m_framesSent; }
    int framesReceived() const { return m_framesReceived; }
    const ExchangeState& state() const { return m_state; }
    ExchangeState& state() { return m_state; }
    const WaveformStore& samples() const { return m_samples; }

  Q_SIGNALS:
    void framesSentChanged(int count);
    void framesReceivedChanged(int count);
    void pollRunningChanged(bool running);
    void speedIndexChanged(int index); // the engine itself moved the speed (serial preset)

    void frameSent(const QByteArray& frame);
    void frameAccepted(const QByteArray& frame);
    void liveStatus(const kliv::LiveStatus& record);
    void waveformReady(const kliv::WaveformStore& samples); // end of a waveform cycle
    void versionRead(const QString& text);
    void protectionResetDone();
    void clockSetDone();
    void rawReply(const QByteArray& frame); // reply to sendRaw

    void noReply(); // "Устройство не отвечает!": time-out or the poll gave up
    void portOpenFailed(kliv::OpenError error, const QString& detail);
    void deviceLost(const QString& detail); // once per loss

  private:
    void startJob(quint8 kind); // ends the poll, opens, sends
    void endJob();              // job state 0, Timer3 stopped, nothing in flight
    void sendFrame(const QByteArray& frame);
    int payloadLengthFor(quint8 kind) const;
    void onStatusReply(const QByteArray& payload);
    void onLost(const QString& detail);
    void setPollRunning(bool running);

    Port* m_port;
    ExchangeState m_state;
    FrameReceiver m_receiver;
    WaveformStore m_samples;
    QTimer m_timer2, m_timer3, m_timer4;
    QString m_portName;
    int m_speedIndex = 10;
    int m_serial = 600;
    int m_view = 1;
    bool m_pollRunning = false;
    bool m_rawPending = false;
    int m_rawLength = -1;
    int m_inFlightKind = -1; // kind of the request awaiting its reply, -1 when none
    int m_framesSent = 0;
    int m_framesReceived = 0;
};

} // namespace kliv
