#pragma once

#include "plant.h"

#include "protocol/eventlog.h"

#include <QByteArray>
#include <QDateTime>
#include <array>

namespace kliv::sim {

// State bytes the relay notes: it is on, and the equipment either runs or stands.
constexpr quint8 EventRelayOn = 0x80, EventEquipmentOn = 0x01;

// An event record of the given state and protection bytes with the measured values.
EventRecord eventRecord(quint8 state, quint8 protection, const Plant::Values& v);
// A start runs the equipment; a trip stops it with the protection that acted.
EventRecord eventRecord(const Plant::Happening& h);

// The relay's event log: 100 slots written round, oldest overwritten first. Slots hold
// raw 24-byte images, so erased (all 0x00 or 0xFF) and damaged entries can stand in
// them as they would in the relay's memory.
class EventStore {
  public:
    static constexpr int Size = eventlog::LogSize;

    EventStore(); // every slot erased to 0xFF, writing starts at position 1

    // Writes the event at the next position, then moves on, after 100 back to 1.
    // Events of the same second get order digits 0, 1, 2, ... (at most 9); the date
    // and time fields come from `at`.
    void record(EventRecord r, const QDateTime& at);
    // Overwrites one slot (1..100) as it is, leaving the write position.
    void put(int position, const QByteArray& image);

    QByteArray slot(int position) const { return m_slots[std::size_t(position - 1)]; }
    int nextPosition() const { return m_next; }
    // The payload of an event record reply: the index, then positions 10 * index + 1 ...
    QByteArray block(int index) const;

  private:
    std::array<QByteArray, Size> m_slots;
    int m_next = 1;
    QDateTime m_lastSecond;
    int m_lastOrder = 0;
};

} // namespace kliv::sim
