#pragma once

#include "accountingstore.h"
#include "eventhistory.h"
#include "plant.h"
#include "relayclock.h"

#include "protocol/status.h"
#include "protocol/waveform.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <array>
#include <optional>

namespace kliv::sim {

struct RelaySettings {
    quint16 serial = 600;
    QString versionText = QStringLiteral("КЛИВ-1M v3.07");
    // The presence reply carries one byte instead of two: the relay moves to a new
    // RS485 speed right after a speed change request, and the tool must follow it.
    bool follow = false;
    QDateTime clockStart;        // the PC's clock when not set
    int rs485SpeedIndex = 5;     // 9600
    int events = WrappedHistory; // or 0..100 valid events, the other slots erased
};

// The relay as its answers show it, free of any line: request frames and model time
// (milliseconds since the model started; never decreasing) in, reply frames out. The
// same requests at the same times always give the same replies.
class RelayModel {
  public:
    static constexpr int VersionSize = 16;
    static constexpr int CalibrationPayloadSize = 22;
    // Raw counts per volt, per ampere of leakage and per two amperes of phase current:
    // the relay's factory coefficients 570 / 200 / 5000 reproduce the values it shows.
    static constexpr int VoltageGain = 570, CurrentGain = 200, LeakageGain = 5000;

    explicit RelayModel(const RelaySettings& s = {});

    // The reply frame, or nothing when the relay stays silent: the request is for
    // another serial number, its sum is bad, or its kind or payload is not one it knows.
    QByteArray reply(const QByteArray& request, qint64 nowMs);
    bool accepts(const QByteArray& request) const;

    LiveStatus liveStatus(qint64 nowMs);
    WaveformBlock waveformBlock(int selector, qint64 nowMs);
    std::array<quint32, 7> calibrationReadings(qint64 nowMs);

    quint16 serial() const { return m_settings.serial; }
    int rs485SpeedIndex() const { return m_rs485; }

  private:
    using Answer = std::optional<QByteArray>;
    Answer answer(quint8 kind, const QByteArray& payload, qint64 nowMs);
    Answer presence(const QByteArray& payload, qint64 nowMs);
    Answer status(const QByteArray& payload, qint64 nowMs);
    Answer clockSet(const QByteArray& payload, qint64 nowMs);
    Answer protectionReset(const QByteArray& payload, qint64 nowMs);
    Answer version(const QByteArray& payload, qint64 nowMs);
    Answer eventBlock(const QByteArray& payload, qint64 nowMs);
    Answer accountingRead(const QByteArray& payload, qint64 nowMs);
    Answer accountingReset(const QByteArray& payload, qint64 nowMs);
    void logPlantEvents();

    RelaySettings m_settings;
    RelayClock m_clock;
    Plant m_plant;
    int m_rs485 = 5;
    EventStore m_events;
    AccountingStore m_accounting;
};

} // namespace kliv::sim
