#include "accountingstore.h"

#include <algorithm>
#include <limits>

namespace kliv::sim {

namespace {

// Counted since about six weeks before the simulator started.
constexpr qint64 KeptForS = 41 * 86400 + 6 * 3600 + 17 * 60 + 33;
constexpr quint32 KeptRunningS = 612345;
constexpr quint16 KeptSwitchOns = 57, KeptTrips = 14;
constexpr quint64 KeptEnergy = 1751234567; // millionths of a kWh
constexpr quint64 EnergyLimit = (quint64(1) << 40) - 1;

// The relay's counters stop at their largest value rather than start again from zero.
template <typename T> T saturated(quint64 base, quint64 added) {
    return T(std::min<quint64>(base + added, std::numeric_limits<T>::max()));
}

void setStart(AccountingRecord& r, const QDateTime& t) {
    r.startSeconds = t.time().second();
    r.startMinutes = t.time().minute();
    r.startHours = t.time().hour();
    r.startDay = t.date().day();
    r.startMonth = t.date().month();
    r.startYear = t.date().year() % 100;
}

} // namespace

AccountingStore::AccountingStore(const QDateTime& clockStart, const Plant& plant) {
    m_base.runningSeconds = KeptRunningS;
    m_base.switchOns = KeptSwitchOns;
    m_base.trips = KeptTrips;
    m_base.energy = KeptEnergy;
    setStart(m_base, clockStart.addSecs(-KeptForS));
    takeBaseline(plant);
}

AccountingRecord AccountingStore::record(const Plant& plant) const {
    AccountingRecord r = m_base;
    r.runningSeconds =
        saturated<quint32>(m_base.runningSeconds, quint64(plant.runningMs() - m_runningMs) / 1000);
    r.switchOns = saturated<quint16>(m_base.switchOns, plant.starts() - m_starts);
    r.trips = saturated<quint16>(m_base.trips, plant.trips() - m_trips);
    r.energy = std::min(m_base.energy + (plant.energyMillionths() - m_energy), EnergyLimit);
    return r;
}

void AccountingStore::reset(const QDateTime& now, const Plant& plant) {
    m_base = AccountingRecord{};
    setStart(m_base, now);
    takeBaseline(plant);
}

void AccountingStore::takeBaseline(const Plant& plant) {
    m_runningMs = plant.runningMs();
    m_energy = plant.energyMillionths();
    m_starts = plant.starts();
    m_trips = plant.trips();
}

} // namespace kliv::sim
