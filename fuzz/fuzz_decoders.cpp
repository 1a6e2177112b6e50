// Feeds arbitrary bytes to every decoder of received payloads, one chosen by the input's
// first byte: none of them may read outside its input, and what the record codecs decode
// must encode back to itself.
#include "link/jobs/configreadjob.h"
#include "link/jobs/versionjob.h"
#include "protocol/accounting.h"
#include "protocol/calibration.h"
#include "protocol/clock.h"
#include "protocol/cp1251.h"
#include "protocol/eventlog.h"
#include "protocol/frame.h"
#include "protocol/status.h"
#include "protocol/waveform.h"
#include "texts/accountingtexts.h"
#include "texts/clocktexts.h"
#include "texts/eventtexts.h"
#include "texts/numfmt.h"
#include "texts/statustext.h"

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

void checkEvents(const QByteArray& in) {
    const auto block = eventlog::decodeBlock(in);
    if (!block)
        return;
    if (block->index < 0 || block->index >= eventlog::BlockCount)
        std::abort();
    std::array<EventRecord, eventlog::LogSize> store{};
    std::array<QByteArray, eventlog::RecordsPerBlock> images;
    for (int i = 0; i < eventlog::RecordsPerBlock; ++i) {
        const EventRecord& r = block->records[std::size_t(i)];
        images[std::size_t(i)] = in.mid(1 + i * eventlog::RecordSize, eventlog::RecordSize);
        // Digits are not checked on the way in, so only a real date comes back whole.
        if (eventlog::isValid(r) &&
            !(eventlog::decodeRecord(eventlog::encodeRecord(r).constData()) == r))
            std::abort();
        eventlog::texts(r, NumberLocale::c());
        // The block in its own place and the next one: equal keys for the ordering.
        for (int b : {block->index, (block->index + 1) % eventlog::BlockCount})
            store[std::size_t(b * eventlog::RecordsPerBlock + i)] = r;
    }
    const auto again = eventlog::decodeBlock(eventlog::encodeBlock(block->index, images));
    if (!again || again->index != block->index || again->records != block->records)
        std::abort();
    const QList<EventRow> rows = eventlog::ordered(store);
    for (qsizetype k = 1; k < rows.size(); ++k)
        if (rows[k - 1].position == rows[k].position)
            std::abort();
    eventlog::csv(eventlog::texts(rows, NumberLocale::c()));
    eventlog::json(rows);
}

void checkAccounting(const QByteArray& in) {
    const AccountingRecord r = accounting::decode(in);
    AccountingRecord back = accounting::decode(accounting::encode(r));
    // The start's digits are not checked on the way in: a units digit above 9 is not BCD
    // and cannot come back as it was.
    constexpr int StartAt = 13;
    bool bcd = true;
    for (qsizetype i = StartAt; i < qMin<qsizetype>(in.size(), accounting::RecordSize); ++i)
        bcd = bcd && (quint8(in.at(i)) & 0x0F) <= 9;
    if (!bcd) {
        back.startSeconds = r.startSeconds;
        back.startMinutes = r.startMinutes;
        back.startHours = r.startHours;
        back.startDay = r.startDay;
        back.startMonth = r.startMonth;
        back.startYear = r.startYear;
    }
    if (!(back == r))
        std::abort();
    accounting::texts(r, NumberLocale::c());
    accounting::json(r);
}

void checkCalibration(const QByteArray& in) {
    if (const auto readings = calibration::decodeMeasurement(in)) {
        calibration::Sums sums{};
        for (int i = 0; i < calibration::Measurements; ++i)
            calibration::add(sums, *readings);
        calibration::References refs{};
        for (int c = 0; c < calibration::ChannelCount; ++c)
            refs[std::size_t(c)] = 1.0 + quint8(in.at(in.size() - 1 - c % in.size())) / 7.0;
        const calibration::Computed computed = calibration::compute(sums, refs, {});
        if (computed.fault == calibration::Computed::Fault::None) {
            for (int k : computed.coefficients)
                if (k <= 0 || k > calibration::MaxCoefficient)
                    std::abort();
            calibration::writePayload(computed.coefficients);
        }
    }
    if (const auto reply = calibration::decodeWriteReply(in))
        for (int k : reply->coefficients)
            if (k < 0 || k > calibration::MaxCoefficient)
                std::abort();
}

// The replies that the jobs read whole from a frame: the configuration block, the version
// text, the presence reply's length.
void checkFrameReaders(const QByteArray& in) {
    const QByteArray f =
        frame::build(600, quint8(in.isEmpty() ? 0 : in.at(0)), in.left(frame::MaxReplyPayload));
    const QByteArray block = ConfigReadJob::blockOf(f);
    if (!block.isEmpty() && block.size() != config::BlockSize)
        std::abort();
    if (VersionJob::textOf(frame::payloadOf(f)).size() > VersionJob::TextSize)
        std::abort();
    if (frame::payloadLength(f) != frame::payloadOf(f).size())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    // The first byte picks the decoder, as a reply's kind does; the rest is its payload.
    const QByteArray in(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    switch (data[0] % 10) {
    case 0:
        checkFrame(in);
        checkFrameReaders(in);
        break;
    case 1:
        checkStatus(in);
        break;
    case 2:
        checkWaveform(in);
        break;
    case 3:
        checkClock(in);
        break;
    case 4:
        cp1251::decodeToZero(in);
        break;
    case 5:
        checkNumbers(in);
        break;
    case 6:
        checkEvents(in);
        break;
    case 7:
        checkAccounting(in);
        break;
    case 8:
        checkCalibration(in);
        break;
    default:
        ConfigReadJob::blockOf(frame::build(600, KindConfigRead, in.left(frame::MaxReplyPayload)));
        break;
    }
    return 0;
}
