#pragma once

#include "plant.h"

#include "protocol/accounting.h"

#include <QDateTime>

namespace kliv::sim {

// The relay's accounting record: the counts it held when the simulator started, plus
// what the plant has run, used and done since; a reset starts it again from zero.
class AccountingStore {
  public:
    // A record kept for some weeks before `clockStart`, the relay's time when the
    // model starts; `plant` is the plant at that moment.
    AccountingStore(const QDateTime& clockStart, const Plant& plant);

    AccountingRecord record(const Plant& plant) const;
    // Zero counts from now on; `now` is the relay's time.
    void reset(const QDateTime& now, const Plant& plant);

  private:
    void takeBaseline(const Plant& plant);

    AccountingRecord m_base;
    qint64 m_runningMs = 0;
    quint64 m_energy = 0;
    quint32 m_starts = 0, m_trips = 0;
};

} // namespace kliv::sim
