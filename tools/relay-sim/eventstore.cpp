#include "eventstore.h"

#include <algorithm>

namespace kliv::sim {

namespace {

constexpr quint8 CosPositive = 0x80;
constexpr int MaxOrder = 9;

quint16 word(double v) {
    return quint16(std::clamp(std::lround(v), 0L, 65535L));
}

} // namespace

EventRecord eventRecord(quint8 state, quint8 protection, const Plant::Values& v) {
    EventRecord r;
    r.state = state;
    r.protection = protection;
    r.ua = word(v.u[0]);
    r.ub = word(v.u[1]);
    r.uc = word(v.u[2]);
    r.ia = word(v.i[0] * 10);
    r.ib = word(v.i[1] * 10);
    r.ic = word(v.i[2] * 10);
    r.idif = word(v.leakage * 10);
    const long cos = std::lround(v.cosf * 100);
    r.cosf = quint8((cos >= 0 ? CosPositive : 0) | std::min(std::labs(cos), 100L));
    return r;
}

EventRecord eventRecord(const Plant::Happening& h) {
    if (h.started)
        return eventRecord(EventRelayOn | EventEquipmentOn, 0, h.values);
    return eventRecord(EventRelayOn, h.protection, h.values);
}

EventStore::EventStore() {
    m_slots.fill(QByteArray(eventlog::RecordSize, char(0xFF)));
}

void EventStore::record(EventRecord r, const QDateTime& at) {
    const QDateTime second = at.addMSecs(-at.time().msec());
    m_lastOrder = second == m_lastSecond ? std::min(m_lastOrder + 1, MaxOrder) : 0;
    m_lastSecond = second;
    r.order = m_lastOrder;
    r.seconds = at.time().second();
    r.minutes = at.time().minute();
    r.hours = at.time().hour();
    r.day = at.date().day();
    r.month = at.date().month();
    r.year = at.date().year() % 100;
    put(m_next, eventlog::encodeRecord(r));
    m_next = m_next % Size + 1;
}

void EventStore::put(int position, const QByteArray& image) {
    m_slots[std::size_t(position - 1)] = image;
}

QByteArray EventStore::block(int index) const {
    std::array<QByteArray, eventlog::RecordsPerBlock> images;
    for (int i = 0; i < eventlog::RecordsPerBlock; ++i)
        images[std::size_t(i)] = slot(index * eventlog::RecordsPerBlock + i + 1);
    return eventlog::encodeBlock(index, images);
}

} // namespace kliv::sim
