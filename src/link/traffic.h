#pragma once

#include <QByteArray>
#include <QMetaType>

namespace kliv {

// What became of a frame or a run of bytes on the line.
enum class Verdict {
    Good,      // a request that went out, or the reply it was waiting for
    BadSum,    // a frame whose sum failed
    Cut,       // a frame the line stopped in the middle of
    Noise,     // bytes that began no frame
    Unmatched, // a good frame that answers no request in flight
    Repeat,    // a request sent again because its answer did not come whole
};

// One frame or run of bytes, for whoever watches the line (the traffic monitor, a trace).
struct Traffic {
    qint64 ms = 0; // since the engine started
    bool sent = false;
    QByteArray bytes;
    Verdict verdict = Verdict::Good;
};

} // namespace kliv

Q_DECLARE_METATYPE(kliv::Traffic)
