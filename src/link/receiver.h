#pragma once

#include <QByteArray>
#include <array>

namespace kliv {

// Assembles one reply frame from the byte stream. It always knows how many bytes the
// current frame still needs and never stores past its 255-byte buffer: a length byte
// above 247 drops the frame. A start byte in line noise must not cost the reply behind
// it, so a false start that fails is searched again from its next 0xAA, and a good frame
// that begins inside a candidate still being assembled is taken as soon as it is whole.
class FrameReceiver {
  public:
    enum class State { Hunt, Header, Body, Held };

    // Clears the buffer before every request, so a reply starts from its first byte.
    void reset();
    // Continues after a held frame was refused by its reader (hunts for the next 0xAA).
    void resume();

    // Feeds bytes and returns how many were consumed; stops right after the byte that
    // completed a frame with a good sum (state Held). While a frame is held every
    // further byte is consumed and dropped: a frame is handed on once.
    int feed(const char* data, int size);
    int feed(const QByteArray& bytes) { return feed(bytes.constData(), int(bytes.size())); }

    State state() const { return m_state; }
    bool held() const { return m_state == State::Held; }
    int count() const { return m_count; }
    int needed() const;       // bytes the current frame still lacks; 0 while hunting or held
    QByteArray frame() const; // the held frame
    const std::array<quint8, 255>& buffer() const { return m_buf; }

    // Diagnostics: frames dropped for a bad sum or an impossible length.
    int badFrames() const { return m_bad; }

  private:
    void take(quint8 b);
    bool startsAt(int at) const; // a complete frame with a good sum from m_buf[at] to the end
    void dropTo(int at);         // forgets the bytes ahead of `at`
    void restart();              // the candidate failed: from its next start byte, if any
    void noteInnerStart();       // a start byte inside the candidate whose header is whole
    bool innerFrameDone();       // a frame noted by noteInnerStart() ends here, sum good
    void forgetInnerStarts();

    std::array<quint8, 255> m_buf{};
    // Start bytes inside the candidate, by the count at which their frame would be whole
    // (two a count; 0 for none), so that each byte costs the same whatever came before.
    std::array<quint8, 256> m_innerEndsA{}, m_innerEndsB{};
    int m_count = 0;
    int m_total = 0; // length of the frame being assembled, known after byte 5
    int m_bad = 0;
    State m_state = State::Hunt;
};

} // namespace kliv
