#include "link/receiver.h"

#include "protocol/frame.h"

#include <algorithm>

namespace kliv {

void FrameReceiver::reset() {
    m_end = 0;
    m_shown = 0;
    m_spans.clear();
    m_first = 0;
    m_count = 0;
    m_endsAt.fill(-1);
    m_held = -1;
    m_waiting = 0;
    m_timeUp = false;
}

void FrameReceiver::resume() {
    if (!held())
        return;
    const auto start = quint32(m_held);
    m_held = -1;
    mark(start) = Refused;
    settle();
    if (!held() && m_timeUp)
        holdFirstGood();
}

void FrameReceiver::timeUp() {
    m_timeUp = true;
    if (!held())
        holdFirstGood();
}

int FrameReceiver::needed() const {
    if (held() || m_count == 0)
        return 0;
    const quint32 start = front();
    const int have = int(m_end - start);
    if (have < frame::HeaderSize)
        return frame::Overhead - have;
    return m_length[std::size_t(slot(start))] + frame::Overhead - have;
}

int FrameReceiver::feed(const char* data, int size) {
    for (int i = 0; i < size; ++i) {
        if (held())
            return size; // a frame is handed on once; the rest of the batch is dropped
        take(quint8(data[i]));
        if (held())
            return i + 1;
    }
    return size;
}

void FrameReceiver::take(quint8 b) {
    const quint32 at = m_end++;
    m_bytes[std::size_t(slot(at))] = b;
    m_sumBefore[std::size_t(slot(m_end))] = m_sumBefore[std::size_t(slot(at))] + b;
    m_timeUp = false;
    if (b == frame::StartByte) {
        m_starts[std::size_t((m_first + m_count) % History)] = at;
        ++m_count;
        mark(at) = Open;
    }
    // The start whose length byte this is: judged once, as its header becomes whole.
    if (m_count > 0 && at >= quint32(frame::HeaderSize - 1)) {
        const quint32 start = at - (frame::HeaderSize - 1);
        // Starts ahead of the first kept one have been dropped already.
        if (start - front() < quint32(History) &&
            m_bytes[std::size_t(slot(start))] == frame::StartByte)
            headerDone(start);
    }
    // The starts whose frame is whole with this byte; a frame spans at least 8 bytes and at
    // most 255, so a slot names exactly one position behind m_end.
    qint16 next = m_endsAt[std::size_t(slot(m_end))];
    m_endsAt[std::size_t(slot(m_end))] = -1;
    while (next >= 0) {
        const quint32 start = m_end - quint32(slot(m_end - quint32(next)));
        next = m_nextSameEnd[std::size_t(next)];
        frameDone(start);
    }
    settle();
}

void FrameReceiver::headerDone(quint32 start) {
    const int n = m_bytes[std::size_t(slot(start + 5))];
    if (n > frame::MaxReplyPayload) {
        mark(start) = Failed; // it could not fit the buffer: never stored
        ++m_bad;
        return;
    }
    m_length[std::size_t(slot(start))] = quint8(n);
    const quint32 end = start + quint32(n + frame::Overhead);
    m_nextSameEnd[std::size_t(slot(start))] = m_endsAt[std::size_t(slot(end))];
    m_endsAt[std::size_t(slot(end))] = qint16(slot(start));
}

void FrameReceiver::frameDone(quint32 start) {
    if (markOf(start) != Open)
        return;
    const int n = m_length[std::size_t(slot(start))];
    const quint32 sumAt = start + quint32(frame::HeaderSize + n);
    const auto got =
        quint16(m_bytes[std::size_t(slot(sumAt))] << 8 | m_bytes[std::size_t(slot(sumAt + 1))]);
    const quint32 sum =
        m_sumBefore[std::size_t(slot(sumAt))] - m_sumBefore[std::size_t(slot(start))];
    if (sum == got) {
        mark(start) = Good;
        ++m_waiting;
    } else {
        mark(start) = BadSum;
        ++m_bad;
    }
}

void FrameReceiver::settle() {
    while (m_count > 0 && markOf(front()) != Open && markOf(front()) != Good) {
        if (markOf(front()) == BadSum)
            show(Span::BadSum, front(),
                 front() + m_length[std::size_t(slot(front()))] + frame::Overhead);
        popFront();
    }
    if (!held() && m_count > 0 && markOf(front()) == Good)
        hold(front());
}

void FrameReceiver::holdFirstGood() {
    for (int i = 0; i < m_count; ++i) {
        const quint32 start = m_starts[std::size_t((m_first + i) % History)];
        if (markOf(start) == Good) {
            hold(start);
            return;
        }
    }
}

void FrameReceiver::hold(quint32 start) {
    m_held = start;
    --m_waiting;
    show(Span::Noise, start, start); // the bytes ahead of it
    m_shown = std::max(m_shown, start + m_length[std::size_t(slot(start))] + frame::Overhead);
}

void FrameReceiver::show(Span::Kind kind, quint32 start, quint32 end) {
    if (start < m_shown)
        return; // inside a frame shown already
    if (start > m_shown)
        m_spans.append({Span::Noise, m_shown, start - m_shown});
    if (kind != Span::Noise && end > start)
        m_spans.append({kind, start, end - start});
    m_shown = kind == Span::Noise ? start : end;
}

QList<FrameReceiver::Span> FrameReceiver::takeSpans() {
    return std::exchange(m_spans, {});
}

QList<FrameReceiver::Span> FrameReceiver::closeSpans() {
    if (m_count > 0 && markOf(front()) == Open)
        show(Span::Cut, std::max(front(), m_shown), m_end);
    else
        show(Span::Noise, m_end, m_end);
    return takeSpans();
}

void FrameReceiver::popFront() {
    m_first = (m_first + 1) % History;
    --m_count;
}

QByteArray FrameReceiver::frame() const {
    if (!held())
        return {};
    const auto start = quint32(m_held);
    const int total = m_length[std::size_t(slot(start))] + frame::Overhead;
    QByteArray f(total, Qt::Uninitialized);
    for (int i = 0; i < total; ++i)
        f[i] = char(m_bytes[std::size_t(slot(start + quint32(i)))]);
    return f;
}

} // namespace kliv
