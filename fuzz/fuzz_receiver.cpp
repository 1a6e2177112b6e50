// Arbitrary bytes in arbitrary notifications must never be stored past the receive
// buffer, and only a frame with a good sum may ever be handed on.
#include "link/receiver.h"
#include "protocol/frame.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kliv::FrameReceiver r;
    r.reset();
    size_t pos = 0;
    while (pos < size) {
        // The first byte of each step sets the size of the notification that follows.
        const size_t chunk = std::min<size_t>(size - pos - 1, data[pos] % 64 + 1);
        ++pos;
        const char* bytes = reinterpret_cast<const char*>(data + pos);
        const int used = r.feed(bytes, int(chunk));
        if (used < 0 || size_t(used) > chunk || r.count() > 255)
            std::abort();
        if (r.held()) {
            const QByteArray f = r.frame();
            if (f.size() > kliv::frame::MaxFrame || !kliv::frame::check(f))
                std::abort();
            r.resume();
        }
        pos += chunk;
    }
    return 0;
}
