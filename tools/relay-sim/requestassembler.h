#pragma once

#include <QByteArray>
#include <QList>
#include <vector>

namespace kliv::sim {

// Cuts request frames out of the byte stream the tool writes. A candidate frame starts at
// 0xAA followed by the request marker; a length above the longest request or a bad sum
// drops only that start byte, so a real frame hidden behind it is still found.
class RequestAssembler {
  public:
    struct Request {
        QByteArray frame;
        qint64 firstByteUs = 0; // when the read that brought its start byte happened
    };

    QList<Request> feed(const QByteArray& bytes, qint64 nowUs);
    void clear();

    // Bytes thrown away since the last call (line noise, broken frames), for the log.
    QByteArray takeDiscarded();
    int pending() const { return int(m_buf.size()); }

  private:
    void discard(qsizetype n);

    QByteArray m_buf;
    std::vector<qint64> m_times; // arrival time of each byte of m_buf
    QByteArray m_discarded;
};

} // namespace kliv::sim
