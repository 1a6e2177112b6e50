#pragma once

// The timed rule of the line, checked on the real engine against a clock of the checker's
// own: a good reply, behind noise that holds no answer of its own, in any pieces, with any
// pauses that end before the reply time-out, reaches its job whole and alone, and no request
// is sent again. A frame lying inside the reply's payload, however long the line pauses
// after it, never goes ahead of it. The reply is taken as its last byte arrives, unless a
// start byte of the noise is still short of bytes; then it is taken at the time-out.

#include "fuzzport.h"
#include "link/engine.h"
#include "protocol/frame.h"

#include <QList>
#include <memory>

namespace kliv::timed {

struct Case {
    int speedIndex = 10;
    quint16 serial = 600;
    quint8 kind = 2;
    QByteArray noise;    // ahead of the reply
    QByteArray payload;  // the reply's, whole frames of the same relay and kind in it too
    QList<int> pieces;   // how many bytes each notification brings; what is left, one more
    QList<int> pausesMs; // the quiet before each notification
};

// A frame of that relay and kind starting in the first `before` bytes and whole in `stream`:
// an answer that the rule may take ahead of the reply.
inline bool answerStartsIn(const QByteArray& stream, qsizetype before, quint16 serial,
                           quint8 kind) {
    const QByteArray head = frame::build(serial, kind, {}).left(5);
    for (qsizetype s = 0; s < before; ++s) {
        if (quint8(stream.at(s)) != frame::StartByte || s + frame::HeaderSize > stream.size())
            continue;
        const int n = quint8(stream.at(s + 5));
        const QByteArray f = stream.mid(s, n + frame::Overhead);
        if (n <= frame::MaxReplyPayload && f.size() == n + frame::Overhead &&
            f.mid(2, 3) == head.mid(2, 3) && frame::check(f))
            return true;
    }
    return false;
}

// A start byte in the first `before` bytes whose frame could still complete after `stream`.
inline bool startStillOpen(const QByteArray& stream, qsizetype before) {
    for (qsizetype s = 0; s < before; ++s) {
        if (quint8(stream.at(s)) != frame::StartByte)
            continue;
        if (s + frame::HeaderSize > stream.size())
            return true;
        const int n = quint8(stream.at(s + 5));
        if (n <= frame::MaxReplyPayload && s + n + frame::Overhead > stream.size())
            return true;
    }
    return false;
}

// Takes the first reply to its one request.
class TakeOne : public Job {
  public:
    TakeOne(quint8 kind, std::shared_ptr<QList<QByteArray>> got)
        : m_kind(kind), m_got(std::move(got)) {}
    Task task() const override { return Task::Raw; }

  protected:
    void begin() override { send({m_kind}); }
    void onReply(const QByteArray& f) override {
        m_got->append(f);
        succeed();
    }

  private:
    quint8 m_kind;
    std::shared_ptr<QList<QByteArray>> m_got;
};

// Plays the case; null when the engine kept the rule, else what went wrong. A case whose
// noise holds an answer of its own, or whose pauses reach the time-out, proves nothing and
// passes (`applies` says which it was).
inline const char* play(const Case& c, bool* applies = nullptr) {
    const QByteArray reply = frame::build(c.serial, c.kind, c.payload);
    const QByteArray stream = c.noise + reply;
    const bool rightCase = !answerStartsIn(stream, c.noise.size(), c.serial, c.kind);
    if (applies)
        *applies = rightCase;

    auto* port = new fuzz::FuzzPort;
    Engine engine(port);
    int sent = 0;
    QObject::connect(&engine, &Engine::frameSent, [&sent] { ++sent; });
    engine.setPortName(QStringLiteral("timed"));
    engine.setSerial(c.serial);
    engine.applySpeed(c.speedIndex);
    auto got = std::make_shared<QList<QByteArray>>();
    engine.start(new TakeOne(c.kind, got));
    const qint64 timeout = engine.replyTimer().interval();

    qint64 now = 0;
    qsizetype at = 0;
    for (qsizetype i = 0; at < stream.size(); ++i) {
        now += i < c.pausesMs.size() ? qMax(0, c.pausesMs.at(i)) : 0;
        if (now >= timeout) {
            if (applies)
                *applies = false; // the reply's own time has run out: not this rule's case
            return nullptr;
        }
        const qsizetype n = i < c.pieces.size() ? qMax(1, c.pieces.at(i)) : stream.size();
        port->push(stream.mid(at, n));
        at += n;
        if (rightCase && !got->isEmpty() && at < stream.size())
            return "a frame was taken before the reply had arrived";
    }
    if (!rightCase)
        return nullptr;
    const bool mustWait = startStillOpen(stream, c.noise.size());
    if (got->isEmpty() && !mustWait)
        return "the reply was not taken as its last byte arrived";
    if (!got->isEmpty() && mustWait)
        return "the reply went ahead of an unfinished frame before the time-out";
    if (got->isEmpty())
        engine.onReplyTimeout(); // the time-out comes
    if (got->size() != 1)
        return "the reply was not taken at the time-out";
    if (got->first() != reply)
        return "another frame was taken for the reply";
    if (sent != 1)
        return "the request was sent again";
    return nullptr;
}

} // namespace kliv::timed
