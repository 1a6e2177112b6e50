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
        // A few line-noise bytes (never 0xAA) land in the middle of the answer, behind its
        // header: the frame keeps its length byte and arrives with a broken sum.
        NoiseInside,
        Split, // the answer leaves one byte a write, gapUs apart
        // The answer stops for delayMs after its first `at` bytes, as a USB adapter that
        // holds received bytes back, and then goes on.
        Pause,
        OtherSerial, // the answer carries another relay's serial number, with a good sum
        Vanish,      // the device disappears (the adapter is unplugged)
        // The relay stores a configuration write with some block bytes changed, and still
        // answers that it wrote it: a fault of the relay itself, not of the line.
        Misstore,
    };
    Action action = Action::Drop;
    int kind = -1; // request kind the rule watches; -1 any
    int nth = 0;   // fires on the nth matching request only (1-based); 0 unused
    int every = 1; // otherwise fires on every every-th matching request
    int delayMs = 0;
    int at = 0;       // misstore: the first block byte it changes; pause: bytes before it
    QByteArray bytes; // misstore: what the block holds there instead
    int gapUs = 0;    // split: between two bytes
    int from = 0;     // or fires on every matching request from the from-th on; 0 unused
    // On a line shared by several relays, the one whose requests the rule watches; -1 any.
    int serial = -1;
    bool operator==(const FaultRule&) const = default;
};

// Parses "drop:kind=1:every=10", "corrupt:nth=3", "delay=500:kind=15", "noise:every=5",
// "noise-inside:kind=2", "split", "split=2000:kind=6", "other-serial:nth=1", "vanish:nth=20",
// "misstore:at=28:bytes=0000:nth=2", "drop:serial=601:from=5", "pause=30:at=27:kind=2".
// Without nth, every or from a
// rule fires on every matching request. A split's bytes are 500 us apart unless it names its gap. A
// misstore watches configuration writes only and by default stores Umax (block bytes 4-5) as 7000
// V.
std::optional<FaultRule> parseFaultRule(const QString& text, QString* error = nullptr);

// What the faults make of one request.
struct FaultVerdict {
    struct Patch {
        int at = 0;
        QByteArray bytes;
    };
    bool drop = false;
    bool corrupt = false;
    bool vanish = false;
    bool otherSerial = false;
    int noiseBytes = 0;
    int innerNoiseBytes = 0;
    int delayMs = 0;
    int splitGapUs = 0;           // 0: the answer leaves as the line paces it
    int pauseAt = 0, pauseMs = 0; // the answer stops that long after that many bytes
    QList<Patch> misstores;       // block bytes a configuration write is stored with instead
    bool any() const {
        return drop || corrupt || vanish || otherSerial || noiseBytes > 0 || innerNoiseBytes > 0 ||
               delayMs > 0 || splitGapUs > 0 || pauseMs > 0 || !misstores.isEmpty();
    }
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
    QByteArray noise(int count);

    QList<FaultRule> m_rules;
    QList<int> m_seen; // matching requests per rule
    QRandomGenerator m_rng;
};

} // namespace kliv::sim
