#pragma once

// The receiver's rule written out plainly, to check the incremental receiver against: every
// start byte since the last reset begins a frame of its own length. The frame to hand on is
// the first good one whose earlier starts have all failed (a length beyond 247, a bad sum)
// or been refused; after a gap, unfinished earlier starts no longer hold it back.

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
        m_quiet = false;
    }
    void add(const QByteArray& bytes) {
        m_bytes += bytes;
        if (!bytes.isEmpty())
            m_quiet = false;
    }
    void gap() { m_quiet = true; }
    void refuse(int start) { m_refused.append(start); }
    qsizetype size() const { return m_bytes.size(); }

    // The frame to hand on after the first `count` bytes (all of them by default).
    std::optional<Held> held(qsizetype count = -1) const {
        const QByteArray seen = count < 0 ? m_bytes : m_bytes.left(count);
        const bool quiet = m_quiet && (count < 0 || count == m_bytes.size());
        for (int s = 0; s < seen.size(); ++s) {
            if (quint8(seen.at(s)) != frame::StartByte || m_refused.contains(s))
                continue;
            const qsizetype have = seen.size() - s;
            const int n = have >= frame::HeaderSize ? quint8(seen.at(s + 5)) : -1;
            if (n > frame::MaxReplyPayload)
                continue; // failed: it cannot be a frame
            if (n < 0 || have < n + frame::Overhead) {
                if (quiet)
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
    bool m_quiet = false;
};

// One step of a differential run, as the engine drives the receiver: bytes arrive, the line
// goes quiet, a held frame is refused or taken. Returns an empty text when the receiver did
// what the rule says, else what went wrong.
struct Differential {
    FrameReceiver receiver;
    Receiver rule;
    int used = 0; // of the last chunk fed

    Differential() {
        receiver.reset();
        rule.reset();
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
    const char* gap() {
        receiver.gap();
        rule.gap();
        return compare();
    }
    // The reader turns the held frame away, or takes it (and the next request resets).
    const char* answer(bool take) {
        if (!receiver.held())
            return nullptr;
        if (take) {
            receiver.reset();
            rule.reset();
            return nullptr;
        }
        const auto expected = rule.held();
        receiver.resume();
        rule.refuse(expected->start);
        return compare();
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
