// Arbitrary bytes in arbitrary notifications, with quiet gaps and the reader refusing or
// taking what is held: the receiver must hand on exactly the frame the plain rule names,
// never a bad one and never later than it could, and never lose a good one.
#include "referencereceiver.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kliv::reference::Differential run;
    size_t pos = 0;
    while (pos < size) {
        // Each step's first byte says what happens: mostly bytes arriving, in a notification
        // of up to 32; sometimes a gap; and whether a held frame is taken or turned away.
        const uint8_t step = data[pos++];
        const char* fault = nullptr;
        if (step % 8 == 7) {
            fault = run.gap();
        } else {
            const size_t chunk = std::min<size_t>(size - pos, step % 32 + 1);
            QByteArray bytes(reinterpret_cast<const char*>(data + pos), int(chunk));
            pos += chunk;
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
        if (fault) {
            std::fprintf(stderr, "receiver: %s\n", fault);
            std::abort();
        }
    }
    return 0;
}
