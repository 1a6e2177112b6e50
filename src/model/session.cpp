#include "model/session.h"

namespace kliv::model {

Session::Session(QObject* parent)
    : QObject(parent), m_now([] { return QDateTime::currentDateTime(); }) {}

const Relay& Session::relay(int serial) const {
    static const Relay none;
    const auto it = m_relays.constFind(serial);
    return it == m_relays.cend() ? none : *it;
}

template <class T>
void Session::store(int serial, std::optional<Known<T>> Relay::*item, T value, Item which) {
    m_relays[serial].*item = Known<T>{std::move(value), m_now()};
    Q_EMIT changed(serial, which);
}

void Session::setVersion(int serial, const QString& text) {
    store(serial, &Relay::version, text, Item::Version);
}

void Session::setConfiguration(int serial, const QByteArray& block) {
    store(serial, &Relay::configuration,
          ConfigurationRead{block, config::forPage(config::decode(block))}, Item::Configuration);
}

void Session::setAccounting(int serial, const AccountingRecord& record) {
    store(serial, &Relay::accounting, record, Item::Accounting);
}

void Session::setEvents(int serial, const QList<EventRow>& rows) {
    store(serial, &Relay::events, rows, Item::Events);
}

void Session::setCoefficients(int serial, const calibration::Coefficients& coefficients) {
    store(serial, &Relay::coefficients, coefficients, Item::Coefficients);
}

void Session::setLive(int serial, const LiveStatus& record) {
    store(serial, &Relay::live, record, Item::Live);
}

} // namespace kliv::model
