#pragma once

#include <QByteArray>
#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace kliv::fuzz {

// The fuzz input read from the front, so that a seed can be written by hand: choices are
// single bytes, data follows them. An exhausted input reads as zeros.
class ByteReader {
  public:
    ByteReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool empty() const { return m_pos >= m_size; }
    quint8 u8() { return empty() ? 0 : m_data[m_pos++]; }
    quint16 u16() { return quint16(u8() << 8 | u8()); }
    bool flag() { return u8() & 1; }
    // `n` bytes, fewer when the input ends first.
    QByteArray bytes(size_t n) {
        const size_t take = std::min(n, m_size - std::min(m_pos, m_size));
        QByteArray b(reinterpret_cast<const char*>(m_data + m_pos), qsizetype(take));
        m_pos += take;
        return b;
    }
    QByteArray rest() { return bytes(m_size); }

  private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

} // namespace kliv::fuzz
