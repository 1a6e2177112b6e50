#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace kliv {

// Request kinds carried in frame byte 4; a reply repeats the kind it answers.
enum RequestKind : quint8 {
    KindPresence = 0, // also the speed change request (payload length 1)
    KindStatus = 1,
    KindConfigRead = 2,
    KindConfigWrite = 3,
    KindClockSet = 4,
    KindProtectionReset = 5,
    KindEventRecord = 6,
    KindAccountingRead = 7,
    KindAccountingReset = 8,
    KindVersion = 15,
};

namespace frame {

constexpr quint8 StartByte = 0xAA;
constexpr quint8 RequestMarker = 6;
constexpr int HeaderSize = 6;
constexpr int Overhead = 8; // header plus the two sum bytes
constexpr int MaxRequestPayload = 79;
constexpr int MaxReplyPayload = 247;
constexpr int MaxFrame = MaxReplyPayload + Overhead; // 255, the receive buffer

// Payload lengths and limits of the requests that carry a payload; the two configuration
// writes are laid out with their codecs.
constexpr int ClockSetPayload = 9;
constexpr int MaxSpeedIndex = 10;
constexpr int MaxBlockIndex = 9;

// Factory serial numbers the relays carry; 600 is the tool's start-up value.
constexpr int SerialMin = 100, SerialMax = 65535, SerialDefault = 600;

// 16-bit byte sum of header and payload; the result never exceeds 0xFFFF for any
// frame within the size limits, so no carry is lost.
quint16 sum(const char* data, int size);
quint16 sum(const QByteArray& headerAndPayload);

// Request frame: AA 06 serialHi serialLo kind N payload sumHi sumLo.
QByteArray build(quint16 serial, quint8 kind, const QByteArray& payload);

// True when a complete frame (length taken from its byte 5) carries the right sum.
// A frame shorter than its byte 5 announces is not good.
bool check(const QByteArray& frame);

inline quint8 kindOf(const QByteArray& f) {
    return quint8(f.at(4));
}
inline int payloadLength(const QByteArray& f) {
    return quint8(f.at(5));
}
inline QByteArray payloadOf(const QByteArray& f) {
    return f.mid(HeaderSize, payloadLength(f));
}

// What a request does to the relay, judged by its kind and payload; a request that no
// relay knows (an unknown kind, a payload of the wrong length or value) is Unknown.
enum class Effect { Reads, Changes, Unknown };
Effect effectOf(quint8 kind, const QByteArray& payload);

QString hex(const QByteArray& bytes);              // "AA 06 02 58", for dumps and the CLI
QByteArray fromHex(const QString& text, bool* ok); // accepts blanks between bytes

} // namespace frame
} // namespace kliv
