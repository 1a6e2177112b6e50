#pragma once

#include <QByteArray>

// Multi-byte numbers on the wire are unsigned and sent high byte first.
namespace kliv::be {

inline quint64 read(const char* p, int at, int bytes) {
    quint64 v = 0;
    for (int i = 0; i < bytes; ++i)
        v = v << 8 | quint8(p[at + i]);
    return v;
}

inline quint64 read(const QByteArray& p, int at, int bytes) {
    return read(p.constData(), at, bytes);
}

inline quint16 read16(const QByteArray& p, int at) {
    return quint16(read(p, at, 2));
}

// Writes the low `bytes` bytes of v; the caller has checked that v fits.
inline void write(QByteArray& p, int at, int bytes, quint64 v) {
    for (int i = bytes - 1; i >= 0; --i, v >>= 8)
        p[at + i] = char(v & 0xFF);
}

inline void write16(QByteArray& p, int at, quint16 v) {
    write(p, at, 2, v);
}

} // namespace kliv::be
