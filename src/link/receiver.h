#pragma once

#include <QByteArray>
#include <QList>
#include <array>

namespace kliv {

// Assembles reply frames from the byte stream. A frame is built from its start byte with
// its own length, so a payload that holds something shaped like a frame never cuts the
// reply short: a later start byte is tried only once every earlier one has failed (bad sum,
// a length beyond 247) or been refused by the reader, or once the request's time is up with
// a whole good frame waiting behind an unfinished one. The receiver keeps no clock: a pause
// on the line, however long, changes nothing, since an adapter may hold back the rest of a
// reply whose payload happens to hold a whole frame. Each byte costs the same whatever
// came before: sums come from running totals, and each start byte is judged once, when its
// header and when its frame is whole. Nothing is stored beyond 256 bytes of history, which
// is all an unfinished frame can span.
class FrameReceiver {
  public:
    FrameReceiver() { reset(); }

    // Forgets everything, before every request, so a reply starts from its first byte.
    void reset();
    // The held frame was refused by its reader: the start bytes after its own are tried.
    void resume();
    // The request's time is up: a whole good frame may now go ahead of unfinished earlier
    // ones (a noise start byte with a long false length ahead of the reply). Bytes that
    // arrive afterwards hold it back again.
    void timeUp();

    // Feeds bytes and returns how many were consumed; stops right after the byte that
    // completed a frame that may be handed on (held() is then true). While a frame is held
    // every further byte is consumed and dropped: a frame is handed on once.
    int feed(const char* data, int size);
    int feed(const QByteArray& bytes) { return feed(bytes.constData(), int(bytes.size())); }

    bool held() const { return m_held >= 0; }
    QByteArray frame() const; // the held frame
    // Bytes the earliest unfinished frame still lacks (the rest of its header and sum while
    // its length is unknown); 0 when nothing is unfinished or a frame is held.
    int needed() const;
    // A whole good frame waits behind an unfinished earlier one, so only the time-up can
    // free it.
    bool waiting() const { return m_waiting > 0 && !held(); }

    // Diagnostics: start bytes whose frame failed by a bad sum or an impossible length.
    int badFrames() const { return m_bad; }

    // For a view of the line: what became of the bytes no handed-on frame took, by stream
    // position since the last reset. A frame whose sum failed is shown whole; bytes that
    // began no frame are noise; a frame still unfinished when the stream closes is cut.
    // Starts inside a frame already shown are not shown again.
    struct Span {
        enum Kind { Noise, BadSum, Cut } kind;
        quint32 start, length;
    };
    QList<Span> takeSpans();  // since the last call
    QList<Span> closeSpans(); // and the rest of the stream, as before a reset
    quint32 heldStart() const { return quint32(m_held); }
    quint32 streamLength() const { return m_end; }

  private:
    static constexpr int History = 256; // a power of two above the longest frame
    static int slot(quint32 at) { return int(at & (History - 1)); }

    enum Mark : quint8 { Open, Failed, BadSum, Good, Refused };

    void take(quint8 b);
    void headerDone(quint32 start);
    void frameDone(quint32 start);
    Mark& mark(quint32 start) { return m_mark[std::size_t(slot(start))]; }
    Mark markOf(quint32 start) const { return m_mark[std::size_t(slot(start))]; }
    void settle();        // drops resolved starts ahead; holds a good first one
    void holdFirstGood(); // once the time is up: the first good one, open ones skipped
    void hold(quint32 start);
    quint32 front() const { return m_starts[std::size_t(m_first)]; }
    void popFront();
    void show(Span::Kind kind, quint32 start, quint32 end); // noise ahead of it first

    // Bytes by stream position modulo History, and the running sum of all bytes before each.
    std::array<quint8, History> m_bytes{};
    std::array<quint32, History> m_sumBefore{};
    quint32 m_end = 0; // stream position of the next byte

    // Start bytes not yet dropped, in stream order (a ring of positions).
    std::array<quint32, History> m_starts{};
    int m_first = 0, m_count = 0;
    std::array<Mark, History> m_mark{};
    std::array<quint8, History> m_length{}; // payload length, once the header is whole
    // Starts whose frame is whole at a position: a list head per end position, and the
    // next start with the same end, both as slots (-1 for none).
    std::array<qint16, History> m_endsAt{}, m_nextSameEnd{};

    qint64 m_held = -1; // the start of the held frame
    int m_waiting = 0;  // good frames not handed on: behind unfinished ones
    bool m_timeUp = false;
    int m_bad = 0;
    quint32 m_shown = 0; // bytes ahead of it are shown already
    QList<Span> m_spans;
};

} // namespace kliv
