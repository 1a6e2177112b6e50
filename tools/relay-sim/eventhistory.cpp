#include "eventhistory.h"

#include <QRandomGenerator>

namespace kliv::sim {

namespace {

constexpr quint32 Seed = 0x4B4C4956;
// Enough events for the log to have gone round once and a third.
constexpr int WrappedEvents = 137;

constexpr quint8 Started = EventRelayOn | EventEquipmentOn, Stopped = EventRelayOn, RelayOff = 0;
constexpr quint8 Umin = 0x01, Umax = 0x02, Uasm = 0x04, Idle = 0x08, Iasm = 0x10, Overload = 0x20,
                 Jam = 0x40, Leakage = 0x80;

constexpr qint64 Minute = 60, Hour = 3600;

struct PastEvent {
    qint64 second; // from the start of the made-up past
    EventRecord record;
};

// How a run ends.
enum class End { Stop, Overload, Jam, Iasm, Leakage, Idle, Umax, MainsFailure, Umin };

// Every sixteen runs end once in each way but by the operator and overload, so that any
// hundred entries show every protection; the order within the sixteen is random.
constexpr std::array<End, 16> Deck = {End::Stop,     End::Stop, End::Stop, End::Stop,
                                      End::Stop,     End::Stop, End::Stop, End::Overload,
                                      End::Overload, End::Jam,  End::Iasm, End::Leakage,
                                      End::Idle,     End::Umax, End::Umin, End::MainsFailure};

// The motor's past, run by run: a start, a run, and a stop by the operator or a trip,
// then a pause. Values follow the plant: 392/388/396 V, 20 A nominal current shared
// unevenly between the phases, about six times that while starting.
class Past {
  public:
    explicit Past(int place) : m_rng(Seed + quint32(place)) {}

    QList<PastEvent> build(int atLeast) {
        while (m_events.size() < atLeast - 1)
            cycle();
        note(Started, 0, starting());
        return m_events;
    }

  private:
    End nextEnd() {
        if (m_dealt == 0)
            for (std::size_t k = m_deck.size() - 1; k > 0; --k)
                std::swap(m_deck[k], m_deck[m_rng.bounded(quint32(k + 1))]);
        const End e = m_deck[m_dealt];
        m_dealt = (m_dealt + 1) % m_deck.size();
        return e;
    }

    void cycle() {
        note(Started, 0, starting());
        const End end = nextEnd();
        if (end == End::Jam) { // a jammed drive trips in the second it starts
            Plant::Values v = starting();
            v.cosf = 0.3;
            note(Stopped, Jam, v);
            wait(Minute, 15 * Minute);
            return;
        }
        wait(20 * Minute, 9 * Hour);
        Plant::Values v = running(0.9, 0.85);
        switch (end) {
        case End::Stop:
            note(Stopped, 0, v);
            wait(10 * Minute, 14 * Hour);
            break;
        case End::Overload:
            note(Stopped, Overload, running(1.3, 0.88));
            wait(20, 10 * Minute);
            break;
        case End::Iasm:
            v.i = {around(21.5, 0.3), around(13.8, 0.3), around(22.4, 0.3)};
            note(Stopped, Iasm, v);
            wait(5 * Minute, Hour);
            break;
        case End::Leakage:
            v.leakage = around(3.5, 0.5);
            note(Stopped, Leakage, v);
            wait(30 * Minute, 2 * Hour);
            break;
        case End::Idle:
            note(Stopped, Idle, running(0.25, 0.2));
            wait(10 * Minute, Hour);
            break;
        case End::Umax:
            v.u = {around(462, 4), around(458, 4), around(465, 4)};
            note(Stopped, Umax, v);
            wait(10 * Minute, Hour);
            break;
        case End::Umin:
            v.u = {around(300, 4), around(296, 4), around(304, 4)};
            note(Stopped, Umin, v);
            wait(5 * Minute, Hour);
            break;
        case End::MainsFailure:
        case End::Jam:
            mainsFailure();
            break;
        }
    }

    // A phase is lost: the asymmetry protection trips, the voltage sinks below the
    // minimum and the relay loses its own supply, all within one second; later the
    // mains come back.
    void mainsFailure() {
        Plant::Values v = running(0.9, 0.85);
        v.u[1] = around(205, 5);
        note(Stopped, Uasm, v);
        v = mains();
        v.u = {around(300, 5), around(150, 5), around(310, 5)};
        note(Stopped, Umin | Uasm, v);
        v.u = {around(120, 5), 0, around(110, 5)};
        note(RelayOff, Umin | Uasm, v);
        wait(3 * Minute, 40 * Minute);
        note(Stopped, 0, mains());
        wait(Minute, 20 * Minute);
    }

    double around(double v, double spread) { return v + spread * (2 * m_rng.generateDouble() - 1); }

    void wait(qint64 lo, qint64 hi) { m_now += lo + qint64(m_rng.bounded(quint32(hi - lo + 1))); }

    void note(quint8 state, quint8 protection, const Plant::Values& v) {
        m_events.append({m_now, eventRecord(state, protection, v)});
    }

    Plant::Values mains() {
        Plant::Values v;
        v.u = {around(392, 4), around(388, 4), around(396, 4)};
        return v;
    }

    Plant::Values running(double load, double cos) {
        static constexpr std::array<double, 3> Share = {1.0, 37.0 / 36.0, 35.0 / 36.0};
        Plant::Values v = mains();
        for (std::size_t k = 0; k < 3; ++k)
            v.i[k] = around(Plant::NominalCurrent * load * Share[k], 0.3);
        v.leakage = around(0.5, 0.1);
        v.cosf = around(cos, 0.02);
        return v;
    }

    Plant::Values starting() { return running(Plant::StartingLoad, Plant::StartingCos); }

    QRandomGenerator m_rng;
    std::array<End, Deck.size()> m_deck = Deck;
    std::size_t m_dealt = 0;
    qint64 m_now = 0;
    QList<PastEvent> m_events;
};

// Slots spoilt among the older entries, counted from the oldest one.
void damage(EventStore& store) {
    const int oldest = store.nextPosition();
    const auto position = [oldest](int offset) {
        return (oldest - 1 + offset) % EventStore::Size + 1;
    };
    const auto edit = [&store, &position](int offset, auto change) {
        EventRecord r = eventlog::decodeRecord(store.slot(position(offset)).constData());
        change(r);
        store.put(position(offset), eventlog::encodeRecord(r));
    };
    store.put(position(8), QByteArray(eventlog::RecordSize, '\0'));
    store.put(position(9), QByteArray(eventlog::RecordSize, '\0'));
    store.put(position(40), QByteArray(eventlog::RecordSize, char(0xFF)));
    store.put(position(77), QByteArray(eventlog::RecordSize, char(0xFF)));
    edit(23, [](EventRecord& r) {
        r.day = 31;
        r.month = 2;
    });
    edit(55, [](EventRecord& r) { // 29 February of a common year
        r.day = 29;
        r.month = 2;
        if (r.year % 4 == 0)
            r.year = (r.year + 99) % 100;
    });
    edit(88, [](EventRecord& r) { r.hours = 24; });
}

} // namespace

EventStore eventHistory(const QDateTime& clockStart, int count, int place) {
    EventStore store;
    if (count == 0)
        return store;
    QList<PastEvent> past = Past(place).build(count < 0 ? WrappedEvents : count);
    if (count > 0)
        past = past.mid(past.size() - count);
    const qint64 newest = past.last().second;
    for (const PastEvent& e : past)
        store.record(e.record, clockStart.addSecs(e.second - newest));
    if (count < 0)
        damage(store);
    return store;
}

} // namespace kliv::sim
