#include "link/receiver.h"

#include "protocol/frame.h"

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
        switch (m_state) {
        case State::Held:
            break; // a frame is handed on once; the rest of the batch is dropped
        case State::Hunt:
            if (b == frame::StartByte) {
                m_buf[0] = b;
                m_count = 1;
                m_state = State::Header;
            }
            break;
        case State::Header:
            m_buf[m_count++] = b;
            if (m_count == frame::HeaderSize) {
                if (b > frame::MaxReplyPayload) {
                    ++m_bad; // cannot fit the buffer: never store it
                    resume();
                } else {
                    m_total = b + frame::Overhead;
                    m_state = State::Body;
                }
            }
            break;
        case State::Body:
            m_buf[m_count++] = b;
            if (m_count == m_total) {
                const int n = m_total - frame::Overhead;
                const quint16 s =
                    frame::sum(reinterpret_cast<const char*>(m_buf.data()), n + frame::HeaderSize);
                const quint16 got = quint16(m_buf[n + 6] << 8 | m_buf[n + 7]);
                if (s == got) {
                    m_state = State::Held;
                    return i;
                }
                ++m_bad;
                resume();
            }
            break;
        }
    }
    return i;
}

QByteArray FrameReceiver::frame() const {
    return m_state == State::Held ? QByteArray(reinterpret_cast<const char*>(m_buf.data()), m_total)
                                  : QByteArray();
}

} // namespace kliv
