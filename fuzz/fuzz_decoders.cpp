// Feeds arbitrary bytes to every decoder of received payloads: none of them may read
// outside its input, and what the record codecs decode must encode back to itself.
#include "protocol/clock.h"
#include "protocol/cp1251.h"
#include "protocol/frame.h"
#include "protocol/numfmt.h"
#include "protocol/status.h"
#include "protocol/statustext.h"
#include "protocol/waveform.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

using namespace kliv;

namespace {

void checkFrame(const QByteArray& in) {
    if (frame::check(in)) {
        const QByteArray payload = frame::payloadOf(in);
        if (payload.size() != frame::payloadLength(in))
            std::abort();
    }
}

void checkStatus(const QByteArray& in) {
    const auto s = status::decodeLive(in);
    if (!s)
        return;
    // Clock fields with stray bits decode out of range and cannot come back; every
    // other field must.
    auto back = status::decodeLive(status::encodeLive(*s));
    if (!back)
        std::abort();
    back->clock = s->clock;
    if (!(*back == *s))
        std::abort();
    status::texts(*s, NumberLocale::c());
}

void checkWaveform(const QByteArray& in) {
    const auto b = waveform::decode(in);
    if (!b)
        return;
    if (!(waveform::decode(waveform::encode(*b)) == b))
        std::abort();
    WaveformStore store;
    store.store(*b);
    waveform::series(store);
}

void checkClock(const QByteArray& in) {
    if (in.size() < clock::BlockSize)
        return;
    const ClockBlock c = clock::decodeBlock(in.constData());
    clock::timeText(c);
    clock::dateText(c);
}

void checkNumbers(const QByteArray& in) {
    static const std::array<QStringView, 7> patterns{u"0",          u"0.",       u"0.0",    u"0.00",
                                                     u"000000.000", u"000000.0", u"#,##0.#"};
    if (in.size() < 10)
        return;
    qint64 mantissa = 0;
    double value = 0;
    std::memcpy(&mantissa, in.constData(), sizeof mantissa);
    std::memcpy(&value, in.constData(), sizeof value);
    const int scale = quint8(in.at(8)) % 40;
    const QStringView pattern = patterns[quint8(in.at(9)) % patterns.size()];
    const QString text = numfmt::format(mantissa, scale, pattern, NumberLocale::c());
    // A minus sign needs a non-zero digit after it.
    if (text.startsWith(QLatin1Char('-')) &&
        std::none_of(text.begin(), text.end(), [](QChar c) { return c > u'0' && c <= u'9'; }))
        std::abort();
    numfmt::format(value, pattern, NumberLocale::c());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray in(reinterpret_cast<const char*>(data), qsizetype(size));
    checkFrame(in);
    checkStatus(in);
    checkWaveform(in);
    checkClock(in);
    cp1251::decodeToZero(in);
    checkNumbers(in);
    return 0;
}
