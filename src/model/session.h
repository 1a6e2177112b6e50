#pragma once

#include "model/configschema.h"
#include "model/line.h"
#include "protocol/accounting.h"
#include "protocol/calibration.h"
#include "protocol/eventlog.h"
#include "protocol/status.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

namespace kliv::model {

// Something read from a relay, with the PC's time it was read.
template <class T> struct Known {
    T value;
    QDateTime at;
};

// A configuration as read: the block exactly as the relay holds it, and what the page shows
// for it (config::forPage), worked out once, here, for everyone who shows or writes it.
struct ConfigurationRead {
    QByteArray block;
    Configuration shown;
};

// What the tool has read of one relay, each item with the time it was read.
struct Relay {
    std::optional<Known<QString>> version;
    std::optional<Known<ConfigurationRead>> configuration;
    std::optional<Known<AccountingRecord>> accounting;
    std::optional<Known<QList<EventRow>>> events; // oldest first
    std::optional<Known<calibration::Coefficients>> coefficients;
    std::optional<Known<LiveStatus>> live;
};

// The session the shell owns: the line every window talks on, and what is known of each
// relay on it. Jobs fill it as their reads succeed; pages, reports, files and kliv-cli
// read it. A relay is known by its serial number.
class Session : public QObject {
    Q_OBJECT
  public:
    enum class Item { Version, Configuration, Accounting, Events, Coefficients, Live };
    Q_ENUM(Item)

    explicit Session(QObject* parent = nullptr);

    Line& line() { return m_line; }
    const Line& line() const { return m_line; }

    // What is known of a relay; nothing at all for one never read.
    const Relay& relay(int serial) const;

    void setVersion(int serial, const QString& text);
    void setConfiguration(int serial, const QByteArray& block);
    void setAccounting(int serial, const AccountingRecord& record);
    void setEvents(int serial, const QList<EventRow>& rows);
    void setCoefficients(int serial, const calibration::Coefficients& coefficients);
    void setLive(int serial, const LiveStatus& record);

    // Where the time of a read comes from; the PC's clock unless a test sets another.
    void setClock(std::function<QDateTime()> now) { m_now = std::move(now); }

  Q_SIGNALS:
    void changed(int serial, kliv::model::Session::Item item);

  private:
    template <class T>
    void store(int serial, std::optional<Known<T>> Relay::*item, T value, Item which);

    Line m_line;
    QHash<int, Relay> m_relays;
    std::function<QDateTime()> m_now;
};

} // namespace kliv::model
