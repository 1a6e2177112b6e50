#pragma once

#include <QByteArray>
#include <QList>
#include <QRandomGenerator>
#include <QString>
#include <optional>

namespace kliv::sim {

// One line fault to inject, as a test bench would provoke it on a real line.
struct FaultRule {
    enum class Action {
        Drop,    // the request is lost: the relay neither acts on it nor answers
        Delay,   // the answer leaves delayMs later than it would
        Corrupt, // the answer leaves with a broken sum
        Noise,   // a few line-noise bytes (never 0xAA) precede the answer
        Vanish,  // the device disappears (the adapter is unplugged)
    };
    Action action = Action::Drop;
    int kind = -1; // request kind the rule watches; -1 any
    int nth = 0;   // fires on the nth matching request only (1-based); 0 unused
    int every = 1; // otherwise fires on every every-th matching request
    int delayMs = 0;
    bool operator==(const FaultRule&) const = default;
};

// Parses "drop:kind=1:every=10", "corrupt:nth=3", "delay=500:kind=15", "noise:every=5",
// "vanish:nth=20". Without nth or every a rule fires on every matching request.
std::optional<FaultRule> parseFaultRule(const QString& text, QString* error = nullptr);

// What the faults make of one request.
struct FaultVerdict {
    bool drop = false;
    bool corrupt = false;
    bool vanish = false;
    int noiseBytes = 0;
    int delayMs = 0;
    bool any() const { return drop || corrupt || vanish || noiseBytes > 0 || delayMs > 0; }
};

// Counts the requests each rule watches and decides which rules fire.
class FaultInjector {
  public:
    explicit FaultInjector(QList<FaultRule> rules = {}, quint32 seed = 1);

    // Called once for every request the relay accepted (its serial number, a good sum).
    FaultVerdict judge(int kind);
    // The bytes that go on the line for a reply under the verdict.
    QByteArray apply(const FaultVerdict& v, const QByteArray& reply);

  private:
    QList<FaultRule> m_rules;
    QList<int> m_seen; // matching requests per rule
    QRandomGenerator m_rng;
};

} // namespace kliv::sim
