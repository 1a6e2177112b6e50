#include "link/receiver.h"

#include "protocol/frame.h"

#include <algorithm>

namespace kliv {

void FrameReceiver::reset() {
    m_buf.fill(0);
    m_count = 0;
    m_total = 0;
    m_state = State::Hunt;
}

void FrameReceiver::resume() {
    m_count = 0;
    m_total = 0;
    m_state = State::Hunt;
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
    for (int at = 1; at + frame::Overhead <= m_count; ++at)
        if (m_buf[std::size_t(at)] == frame::StartByte && startsAt(at)) {
            dropTo(at);
            m_total = m_count;
            m_state = State::Held;
            return;
        }
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

// The bytes after a false start are looked at again as if they had just come.
void FrameReceiver::restart() {
    const std::array<quint8, 255> seen = m_buf;
    const int count = m_count;
    resume();
    for (int i = 1; i < count && m_state != State::Held; ++i)
        take(seen[std::size_t(i)]);
}

QByteArray FrameReceiver::frame() const {
    return m_state == State::Held ? QByteArray(reinterpret_cast<const char*>(m_buf.data()), m_total)
                                  : QByteArray();
}

} // namespace kliv
