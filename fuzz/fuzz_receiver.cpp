// Arbitrary bytes in arbitrary notifications, with pauses on the line, the request's
// time-out and the reader refusing or taking what is held: the receiver must hand on exactly
// the frame the plain rule names, never a bad one and never later than it could, and never
// lose a good one. Every other input is a reply with frames of its own relay and kind in its
// payload, behind noise, in pieces and pauses, played on the real engine: it must reach its
// job whole, never a frame from inside it.
#include "bytereader.h"
#include "coreapp.h"
#include "referencereceiver.h"
#include "timedreply.h"

#include <QCoreApplication>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

using kliv::fuzz::ByteReader;

void require(const char* fault) {
    if (fault) {
        std::fprintf(stderr, "receiver: %s\n", fault);
        std::abort();
    }
}

void differential(ByteReader& in) {
    kliv::reference::Differential run;
    while (!in.empty()) {
        // Each step's first byte says what happens: mostly bytes arriving, in a notification
        // of up to 32; sometimes a pause of up to 127 ms; and whether a held frame is taken
        // or turned away.
        const quint8 step = in.u8();
        const char* fault = nullptr;
        if (step % 8 == 7) {
            fault = run.pause(in.u8() / 2);
        } else {
            QByteArray bytes = in.bytes(step % 32 + 1);
            // As the engine does: the rest of a notification goes on after a refusal.
            for (int turn = 0; !fault && !bytes.isEmpty(); ++turn) {
                fault = run.feed(bytes);
                bytes.remove(0, run.used);
                while (!fault && run.receiver.held())
                    fault = run.answer(step & 0x80 && turn == 0);
            }
        }
        while (!fault && run.receiver.held())
            fault = run.answer(false);
        require(fault);
    }
}

void timed(ByteReader& in) {
    kliv::timed::Case c;
    c.speedIndex = in.u8() % 11;
    c.kind = in.u8() % 16;
    c.noise = in.bytes(in.u8() % 48);
    c.payload = in.bytes(in.u8() % (kliv::frame::MaxReplyPayload + 1));
    // Frames of the reply's own relay and kind planted in its payload: the ones that must
    // never be taken for it.
    for (int k = in.u8() % 4; k > 0 && !c.payload.isEmpty(); --k) {
        const qsizetype at = in.u8() % c.payload.size();
        const QByteArray inner = kliv::frame::build(c.serial, c.kind, in.bytes(in.u8() % 16));
        c.payload.replace(at, qMin(inner.size(), c.payload.size() - at),
                          inner.left(c.payload.size() - at));
    }
    while (!in.empty()) {
        c.pieces.append(in.u8() % 64 + 1);
        c.pausesMs.append(in.u8() / 4); // 0..63 ms: shorter and longer than an adapter holds
    }
    require(kliv::timed::play(c));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteReader in(data, size);
    if (in.u8() & 1)
        timed(in);
    else
        differential(in);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
