#pragma once

// The receiver's rule written out plainly, to check the incremental receiver against: every
// start byte since the last reset begins a frame of its own length. The frame to hand on is
// the first good one whose earlier starts have all failed (a length beyond 247, a bad sum)
// or been refused; once the request's time is up, unfinished earlier starts no longer hold
// it back. Pauses on the line change nothing.

#include "link/receiver.h"
#include "protocol/frame.h"

#include <QByteArray>
#include <QList>
#include <optional>

namespace kliv::reference {

class Receiver {
  public:
    struct Held {
        int start;
        QByteArray frame;
    };

    void reset() {
        m_bytes.clear();
        m_refused.clear();
        m_timeUp = false;
    }
    void add(const QByteArray& bytes) {
        m_bytes += bytes;
        if (!bytes.isEmpty())
            m_timeUp = false;
    }
    void timeUp() { m_timeUp = true; }
    void refuse(int start) { m_refused.append(start); }
    qsizetype size() const { return m_bytes.size(); }

    // The frame to hand on after the first `count` bytes (all of them by default).
    std::optional<Held> held(qsizetype count = -1) const {
        const QByteArray seen = count < 0 ? m_bytes : m_bytes.left(count);
        const bool timeUp = m_timeUp && (count < 0 || count == m_bytes.size());
        for (int s = 0; s < seen.size(); ++s) {
            if (quint8(seen.at(s)) != frame::StartByte || m_refused.contains(s))
                continue;
            const qsizetype have = seen.size() - s;
            const int n = have >= frame::HeaderSize ? quint8(seen.at(s + 5)) : -1;
            if (n > frame::MaxReplyPayload)
                continue; // failed: it cannot be a frame
            if (n < 0 || have < n + frame::Overhead) {
                if (timeUp)
                    continue;
                return std::nullopt; // unfinished: it holds back every later start
            }
            const QByteArray f = seen.mid(s, n + frame::Overhead);
            if (frame::check(f))
                return Held{s, f};
        }
        return std::nullopt;
    }

  private:
    QByteArray m_bytes;
    QList<int> m_refused;
    bool m_timeUp = false;
};

// One step of a differential run, as the engine drives the receiver: bytes arrive, the line
// pauses, the request's time runs out, a held frame is refused or taken. Returns an empty
// text when the receiver did what the rule says, else what went wrong.
struct Differential {
    static constexpr int TimeoutMs = 300; // the reply time-out at 115200 baud
    FrameReceiver receiver;
    Receiver rule;
    int used = 0;          // of the last chunk fed
    qint64 now = 0;        // the line's clock, in milliseconds
    qint64 deadline = 0;   // the request's time-out on it
    bool timedOut = false; // the request has had its time: the next request is due

    Differential() { request(); }

    // A request goes out (a new one, or the same again): both start afresh with the whole
    // time-out ahead.
    void request() {
        receiver.reset();
        rule.reset();
        deadline = now + TimeoutMs;
        timedOut = false;
    }

    const char* feed(const QByteArray& chunk) {
        used = receiver.feed(chunk);
        if (used < 0 || used > chunk.size())
            return "feed used more than it was given";
        if (!receiver.held() && used != chunk.size())
            return "feed stopped without holding a frame";
        rule.add(chunk.left(used));
        if (receiver.held() && used > 0 && rule.held(rule.size() - 1))
            return "a frame was held later than it could be";
        return compare();
    }
    // The line is quiet for `ms`. However long, nothing changes until the time-out; then a
    // good frame behind unfinished ones may go, and with none the request is sent again.
    const char* pause(int ms) {
        now += ms;
        if (now < deadline || receiver.held())
            return compare();
        timedOut = true;
        receiver.timeUp();
        rule.timeUp();
        const char* fault = compare();
        if (!fault && !receiver.held())
            request();
        return fault;
    }
    // The reader turns the held frame away, or takes it (and the next request resets).
    const char* answer(bool take) {
        if (!receiver.held())
            return nullptr;
        if (take) {
            request();
            return nullptr;
        }
        const auto expected = rule.held();
        receiver.resume();
        rule.refuse(expected->start);
        const char* fault = compare();
        if (!fault && timedOut && !receiver.held())
            request();
        return fault;
    }

    const char* compare() const {
        const auto expected = rule.held();
        if (receiver.held() != expected.has_value())
            return expected ? "a good frame was not handed on" : "a frame was handed on wrongly";
        if (expected && receiver.frame() != expected->frame)
            return "another frame was handed on";
        if (receiver.held() && !frame::check(receiver.frame()))
            return "a frame with a bad sum was handed on";
        return nullptr;
    }
};

} // namespace kliv::reference
