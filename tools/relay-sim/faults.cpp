#include "faults.h"

#include "model/configschema.h"
#include "protocol/frame.h"

#include <QStringList>
#include <climits>

namespace kliv::sim {

namespace {

constexpr int MaxDelayMs = 60000;
constexpr int MaxNoiseBytes = 8;
// Far enough apart that the tool reads each byte on its own, close enough that the
// longest reply (249 bytes) still fits a 300 ms reply time-out.
constexpr int SplitGapUs = 500;
constexpr int MaxSplitGapUs = 1000000;
// Umax, block bytes 4-5, stored as 7000 V: a value the page can show, so only a compare
// with what was sent reveals it.
constexpr int MisstoreAt = 4;
constexpr char MisstoreBytes[] = "1B58";

bool fail(QString* error, const QString& why) {
    if (error)
        *error = why;
    return false;
}

// A whole decimal number within [lo, hi]; nothing else is a value.
bool number(const QString& text, int lo, int hi, int* out) {
    bool ok = false;
    const int v = text.toInt(&ok, 10);
    if (!ok || v < lo || v > hi)
        return false;
    *out = v;
    return true;
}

std::optional<FaultRule::Action> actionNamed(const QString& name) {
    using A = FaultRule::Action;
    if (name == QLatin1String("drop"))
        return A::Drop;
    if (name == QLatin1String("delay"))
        return A::Delay;
    if (name == QLatin1String("corrupt"))
        return A::Corrupt;
    if (name == QLatin1String("noise"))
        return A::Noise;
    if (name == QLatin1String("noise-inside"))
        return A::NoiseInside;
    if (name == QLatin1String("split"))
        return A::Split;
    if (name == QLatin1String("pause"))
        return A::Pause;
    if (name == QLatin1String("other-serial"))
        return A::OtherSerial;
    if (name == QLatin1String("vanish"))
        return A::Vanish;
    if (name == QLatin1String("misstore"))
        return A::Misstore;
    return std::nullopt;
}

bool parseInto(const QString& text, FaultRule* r, QString* error) {
    const QStringList parts = text.trimmed().toLower().split(QLatin1Char(':'));
    const QString head = parts.first().section(QLatin1Char('='), 0, 0);
    const auto action = actionNamed(head);
    if (!action)
        return fail(error, QStringLiteral("unknown fault action \"%1\"").arg(head));
    r->action = *action;

    const bool misstore = r->action == FaultRule::Action::Misstore;
    const bool split = r->action == FaultRule::Action::Split;
    const bool pause = r->action == FaultRule::Action::Pause;
    bool haveDelay = false, haveNth = false, haveEvery = false, haveFrom = false, haveKind = false,
         haveSerial = false, haveAt = false, haveBytes = false;
    QStringList options = parts.mid(1);
    if (parts.first().contains(QLatin1Char('=')))
        options.prepend(QStringLiteral("ms=") + parts.first().section(QLatin1Char('='), 1));

    for (const QString& option : options) {
        const QString key = option.section(QLatin1Char('='), 0, 0);
        const QString value = option.section(QLatin1Char('='), 1);
        if (!option.contains(QLatin1Char('=')) || value.isEmpty())
            return fail(error, QStringLiteral("\"%1\" needs a value").arg(key));
        if (key == QLatin1String("ms") && split) {
            if (haveDelay || !number(value, 1, MaxSplitGapUs, &r->gapUs))
                return fail(error, QStringLiteral("split gap must be 1..%1 us").arg(MaxSplitGapUs));
            haveDelay = true;
        } else if (key == QLatin1String("ms")) {
            if (r->action != FaultRule::Action::Delay && !pause)
                return fail(error, QStringLiteral("only delay, pause and split take a time"));
            if (haveDelay || !number(value, 1, MaxDelayMs, &r->delayMs))
                return fail(error, QStringLiteral("delay must be 1..%1 ms").arg(MaxDelayMs));
            haveDelay = true;
        } else if (key == QLatin1String("kind")) {
            if (misstore)
                return fail(error, QStringLiteral("misstore watches configuration writes only"));
            if (haveKind || !number(value, 0, 255, &r->kind))
                return fail(error, QStringLiteral("kind must be 0..255"));
            haveKind = true;
        } else if (key == QLatin1String("nth")) {
            if (haveNth || !number(value, 1, INT_MAX, &r->nth))
                return fail(error, QStringLiteral("nth must be 1 or more"));
            haveNth = true;
        } else if (key == QLatin1String("every")) {
            if (haveEvery || !number(value, 1, INT_MAX, &r->every))
                return fail(error, QStringLiteral("every must be 1 or more"));
            haveEvery = true;
        } else if (key == QLatin1String("from")) {
            if (haveFrom || !number(value, 1, INT_MAX, &r->from))
                return fail(error, QStringLiteral("from must be 1 or more"));
            haveFrom = true;
        } else if (key == QLatin1String("serial")) {
            if (haveSerial || !number(value, frame::SerialMin, frame::SerialMax, &r->serial))
                return fail(error, QStringLiteral("serial must be %1..%2")
                                       .arg(frame::SerialMin)
                                       .arg(frame::SerialMax));
            haveSerial = true;
        } else if (key == QLatin1String("at") && misstore) {
            if (haveAt || !number(value, 0, config::BlockSize - 1, &r->at))
                return fail(error, QStringLiteral("at must be 0..%1").arg(config::BlockSize - 1));
            haveAt = true;
        } else if (key == QLatin1String("at") && pause) {
            if (haveAt || !number(value, 1, frame::MaxFrame - 1, &r->at))
                return fail(error, QStringLiteral("at must be 1..%1").arg(frame::MaxFrame - 1));
            haveAt = true;
        } else if (key == QLatin1String("bytes") && misstore) {
            bool ok = false;
            r->bytes = frame::fromHex(value, &ok);
            if (haveBytes || !ok || r->bytes.isEmpty())
                return fail(error, QStringLiteral("bytes must be hexadecimal, e.g. 1B58"));
            haveBytes = true;
        } else {
            return fail(error, QStringLiteral("unknown fault option \"%1\"").arg(key));
        }
    }
    if (int(haveNth) + int(haveEvery) + int(haveFrom) > 1)
        return fail(error, QStringLiteral("nth, every and from exclude each other"));
    if (r->action == FaultRule::Action::Delay && !haveDelay)
        return fail(error, QStringLiteral("delay needs a time: delay=MS"));
    if (pause && (!haveDelay || !haveAt))
        return fail(error, QStringLiteral("pause needs a time and a place: pause=MS:at=N"));
    if (split && !haveDelay)
        r->gapUs = SplitGapUs;
    if (misstore) {
        r->kind = KindConfigWrite;
        if (!haveAt)
            r->at = MisstoreAt;
        if (!haveBytes)
            r->bytes = QByteArray::fromHex(MisstoreBytes);
        if (r->at + r->bytes.size() > config::BlockSize)
            return fail(error, QStringLiteral("misstore bytes reach past the block's %1 bytes")
                                   .arg(config::BlockSize));
    }
    return true;
}

} // namespace

std::optional<FaultRule> parseFaultRule(const QString& text, QString* error) {
    FaultRule r;
    if (!parseInto(text, &r, error))
        return std::nullopt;
    return r;
}

FaultInjector::FaultInjector(QList<FaultRule> rules, quint32 seed)
    : m_rules(std::move(rules)), m_seen(m_rules.size(), 0), m_rng(seed) {}

FaultVerdict FaultInjector::judge(int kind) {
    FaultVerdict v;
    for (qsizetype i = 0; i < m_rules.size(); ++i) {
        const FaultRule& r = m_rules.at(i);
        if (r.kind >= 0 && r.kind != kind)
            continue;
        const int seen = ++m_seen[i];
        const bool fires = r.nth > 0    ? seen == r.nth
                           : r.from > 0 ? seen >= r.from
                                        : seen % r.every == 0;
        if (!fires)
            continue;
        switch (r.action) {
        case FaultRule::Action::Drop:
            v.drop = true;
            break;
        case FaultRule::Action::Delay:
            v.delayMs = qMax(v.delayMs, r.delayMs);
            break;
        case FaultRule::Action::Corrupt:
            v.corrupt = true;
            break;
        case FaultRule::Action::Noise:
            v.noiseBytes = int(m_rng.bounded(1, MaxNoiseBytes + 1));
            break;
        case FaultRule::Action::NoiseInside:
            v.innerNoiseBytes = int(m_rng.bounded(1, MaxNoiseBytes + 1));
            break;
        case FaultRule::Action::Split:
            v.splitGapUs = qMax(v.splitGapUs, r.gapUs);
            break;
        case FaultRule::Action::Pause:
            v.pauseAt = r.at;
            v.pauseMs = r.delayMs;
            break;
        case FaultRule::Action::OtherSerial:
            v.otherSerial = true;
            break;
        case FaultRule::Action::Vanish:
            v.vanish = true;
            break;
        case FaultRule::Action::Misstore:
            v.misstores.append({r.at, r.bytes});
            break;
        }
    }
    return v;
}

// Any byte but a start byte, so that the receiver must skip it.
QByteArray FaultInjector::noise(int count) {
    QByteArray out;
    for (int i = 0; i < count; ++i) {
        quint8 b = quint8(m_rng.bounded(0, 255));
        if (b >= 0xAA)
            ++b;
        out.append(char(b));
    }
    return out;
}

QByteArray FaultInjector::apply(const FaultVerdict& v, const QByteArray& reply) {
    QByteArray frame = reply;
    if (v.otherSerial && frame.size() >= frame::Overhead) {
        // A well-formed answer of the relay with the next serial number.
        const quint16 other = quint16((quint8(frame.at(2)) << 8 | quint8(frame.at(3))) + 1);
        frame = frame::build(other, frame::kindOf(frame), frame::payloadOf(frame));
    }
    // The low sum byte changes, the length stays: the frame arrives whole and fails its sum.
    if (v.corrupt && !frame.isEmpty())
        frame[frame.size() - 1] = char(quint8(frame.back()) ^ 0x5A);
    // Behind the header, so the length byte still tells how many bytes to collect: the
    // receiver takes the noise as frame bytes and the sum no longer fits.
    if (v.innerNoiseBytes > 0 && !frame.isEmpty())
        frame.insert(qMax<qsizetype>(frame::HeaderSize, frame.size() / 2),
                     noise(v.innerNoiseBytes));
    return noise(v.noiseBytes) + frame;
}

} // namespace kliv::sim
