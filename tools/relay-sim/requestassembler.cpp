#include "requestassembler.h"

#include "protocol/frame.h"

namespace kliv::sim {

QList<RequestAssembler::Request> RequestAssembler::feed(const QByteArray& bytes, qint64 nowUs) {
    m_buf.append(bytes);
    m_times.insert(m_times.end(), std::size_t(bytes.size()), nowUs);

    QList<Request> out;
    for (;;) {
        const qsizetype start = m_buf.indexOf(char(frame::StartByte));
        if (start < 0) {
            discard(m_buf.size());
            break;
        }
        discard(start);
        if (m_buf.size() >= 2 && quint8(m_buf.at(1)) != frame::RequestMarker) {
            discard(1);
            continue;
        }
        if (m_buf.size() < frame::HeaderSize)
            break;
        const int n = frame::payloadLength(m_buf);
        if (n > frame::MaxRequestPayload) {
            discard(1);
            continue;
        }
        if (m_buf.size() < n + frame::Overhead)
            break;
        const QByteArray candidate = m_buf.left(n + frame::Overhead);
        if (!frame::check(candidate)) {
            discard(1);
            continue;
        }
        out.append({candidate, m_times.front()});
        m_buf.remove(0, candidate.size());
        m_times.erase(m_times.begin(), m_times.begin() + candidate.size());
    }
    return out;
}

void RequestAssembler::clear() {
    m_buf.clear();
    m_times.clear();
    m_discarded.clear();
}

QByteArray RequestAssembler::takeDiscarded() {
    QByteArray d;
    d.swap(m_discarded);
    return d;
}

void RequestAssembler::discard(qsizetype n) {
    if (n <= 0)
        return;
    m_discarded.append(m_buf.left(n));
    m_buf.remove(0, n);
    m_times.erase(m_times.begin(), m_times.begin() + n);
}

} // namespace kliv::sim
