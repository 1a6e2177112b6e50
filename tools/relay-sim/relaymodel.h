#pragma once

#include "accountingstore.h"
#include "calibrationreadings.h"
#include "configstore.h"
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
#include <utility>

namespace kliv::sim {

struct RelaySettings {
    quint16 serial = 600;
    QString versionText = QStringLiteral("КЛИВ-1M v3.07");
    // The presence reply carries one byte instead of two: the relay moves to a new
    // RS485 speed right after a speed change request, and the tool must follow it.
    bool follow = false;
    QDateTime clockStart;                          // the PC's clock when not set
    QByteArray configBlock;                        // the page's start-up configuration when empty
    std::optional<CalibrationReference> reference; // the plant's steady values when unset
    // Configuration writes it stores wrong.
    QList<FaultRule> misstores;
    int events = WrappedHistory; // or 0..100 valid events, the other slots erased
    // Its place on a line shared with other relays (see variety.h); 0 is the plain relay.
    int place = 0;
};

// The relay as its answers show it, free of any line: request frames and model time
// (milliseconds since the model started; never decreasing) in, reply frames out. The
// same requests at the same times always give the same replies.
class RelayModel {
  public:
    static constexpr int VersionSize = 16;
    static constexpr int CalibrationPayloadSize = 22;

    explicit RelayModel(const RelaySettings& s = {});

    // The reply frame, or nothing when the relay stays silent: the request is for
    // another serial number, its sum is bad, or its kind or payload is not one it knows.
    QByteArray reply(const QByteArray& request, qint64 nowMs);
    bool accepts(const QByteArray& request) const;

    LiveStatus liveStatus(qint64 nowMs);
    WaveformBlock waveformBlock(int selector, qint64 nowMs);
    std::array<quint32, 7> calibrationReadings(qint64 nowMs);

    QDateTime clockAt(qint64 nowMs) const { return m_clock.timeAt(nowMs); }
    quint16 serial() const { return m_settings.serial; }
    int rs485SpeedIndex() const { return m_config.speedIndex(); }
    const QByteArray& configBlock() const { return m_config.block(); }
    // With follow set, the speed index the relay's line moves to once the reply to a
    // speed change request has left; asked once per reply.
    std::optional<int> takeLineSpeedChange() { return std::exchange(m_lineSpeedChange, {}); }

  private:
    using Answer = std::optional<QByteArray>;
    Answer answer(quint8 kind, const QByteArray& payload, qint64 nowMs);
    Answer presence(const QByteArray& payload, qint64 nowMs);
    Answer status(const QByteArray& payload, qint64 nowMs);
    Answer clockSet(const QByteArray& payload, qint64 nowMs);
    Answer protectionReset(const QByteArray& payload, qint64 nowMs);
    Answer version(const QByteArray& payload, qint64 nowMs);
    Answer configRead(const QByteArray& payload, qint64 nowMs);
    Answer configWrite(const QByteArray& payload, qint64 nowMs);
    Answer eventBlock(const QByteArray& payload, qint64 nowMs);
    Answer accountingRead(const QByteArray& payload, qint64 nowMs);
    Answer accountingReset(const QByteArray& payload, qint64 nowMs);
    void logPlantEvents();

    RelaySettings m_settings;
    RelayClock m_clock;
    Plant m_plant;
    ConfigStore m_config;
    std::optional<int> m_lineSpeedChange;
    EventStore m_events;
    AccountingStore m_accounting;
};

} // namespace kliv::sim
