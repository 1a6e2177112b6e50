#include "link/receiver.h"

#include "protocol/frame.h"

#include <algorithm>

namespace kliv {

void FrameReceiver::reset() {
    m_buf.fill(0);
    resume();
}

void FrameReceiver::resume() {
    m_count = 0;
    m_total = 0;
    m_state = State::Hunt;
    forgetInnerStarts();
}

void FrameReceiver::forgetInnerStarts() {
    m_innerEndsA.fill(0);
    m_innerEndsB.fill(0);
}

int FrameReceiver::needed() const {
    switch (m_state) {
    case State::Header:
        return frame::Overhead - m_count; // at least the rest of the header and the sum
    case State::Body:
        return m_total - m_count;
    case State::Hunt:
    case State::Held:
        break;
    }
    return 0;
}

int FrameReceiver::feed(const char* data, int size) {
    int i = 0;
    while (i < size) {
        const quint8 b = quint8(data[i++]);
        if (m_state == State::Held)
            continue; // a frame is handed on once; the rest of the batch is dropped
        take(b);
        if (m_state == State::Held)
            return i;
    }
    return i;
}

void FrameReceiver::take(quint8 b) {
    if (m_state == State::Hunt) {
        if (b != frame::StartByte)
            return;
        m_buf[0] = b;
        m_count = 1;
        m_state = State::Header;
        return;
    }
    m_buf[std::size_t(m_count++)] = b;
    if (m_state == State::Header && m_count == frame::HeaderSize) {
        if (b > frame::MaxReplyPayload) {
            ++m_bad; // cannot fit the buffer: never store it
            restart();
            return;
        }
        m_total = b + frame::Overhead;
        m_state = State::Body;
    }
    if (m_state == State::Body && m_count == m_total) {
        if (startsAt(0)) {
            m_state = State::Held;
            return;
        }
        ++m_bad;
        restart();
        return;
    }
    // A shorter frame that began after the candidate's start may be whole by now.
    noteInnerStart();
    innerFrameDone();
}

void FrameReceiver::noteInnerStart() {
    const int at = m_count - frame::HeaderSize;
    if (at < 1 || m_buf[std::size_t(at)] != frame::StartByte)
        return;
    const int n = m_buf[std::size_t(m_count - 1)];
    const int end = at + n + frame::Overhead;
    if (n > frame::MaxReplyPayload || end > int(m_buf.size()))
        return;
    auto& slot = m_innerEndsA[std::size_t(end)] == 0 ? m_innerEndsA : m_innerEndsB;
    if (slot[std::size_t(end)] == 0)
        slot[std::size_t(end)] = quint8(at);
}

bool FrameReceiver::innerFrameDone() {
    for (auto* ends : {&m_innerEndsA, &m_innerEndsB}) {
        const int at = (*ends)[std::size_t(m_count)];
        if (at > 0 && startsAt(at)) {
            dropTo(at);
            m_total = m_count;
            m_state = State::Held;
            forgetInnerStarts();
            return true;
        }
    }
    return false;
}

bool FrameReceiver::startsAt(int at) const {
    const int have = m_count - at;
    if (have < frame::Overhead || m_buf[std::size_t(at)] != frame::StartByte)
        return false;
    const int n = m_buf[std::size_t(at + 5)];
    if (n > frame::MaxReplyPayload || have != n + frame::Overhead)
        return false;
    const auto* p = reinterpret_cast<const char*>(m_buf.data()) + at;
    const quint16 got = quint16(quint8(p[n + 6]) << 8 | quint8(p[n + 7]));
    return frame::sum(p, n + frame::HeaderSize) == got;
}

void FrameReceiver::dropTo(int at) {
    std::copy(m_buf.begin() + at, m_buf.begin() + m_count, m_buf.begin());
    m_count -= at;
}

// The bytes after a false start are looked at again as if they had just come. They are
// replayed in place: a byte is always stored below the one being read, since the new
// candidate can never hold more bytes than have been replayed.
void FrameReceiver::restart() {
    const int count = m_count;
    resume();
    for (int i = 1; i < count && m_state != State::Held; ++i)
        take(m_buf[std::size_t(i)]);
}

QByteArray FrameReceiver::frame() const {
    return m_state == State::Held ? QByteArray(reinterpret_cast<const char*>(m_buf.data()), m_total)
                                  : QByteArray();
}

} // namespace kliv
