// The configuration between value and block, both ways. A value without problems must
// come back from its block as the relay stores it (texts padded with blanks), with no
// difference a verified write would report; any block must decode, show and, when its
// value has no problems, encode to a block that decodes to the same value.
#include "bytereader.h"

#include "model/configschema.h"
#include "texts/configtexts.h"

#include <cstdlib>

using namespace kliv;
using kliv::fuzz::ByteReader;

namespace {

void require(bool ok) {
    if (!ok)
        std::abort();
}

const NumberLocale Loc{};

// A value from the input: numbers mostly within their field's limits, sometimes anywhere;
// texts of arbitrary UTF-16 units.
Configuration valueOf(ByteReader& in) {
    Configuration c;
    for (const config::Field& f : config::fields()) {
        const quint8 how = in.u8();
        switch (f.kind) {
        case config::FieldKind::Check:
            c.*f.check = how & 1;
            break;
        case config::FieldKind::Text: {
            QString text;
            for (int n = how % 20; n > 0; --n)
                text.append(QChar(in.u16()));
            c.*f.text = text;
            break;
        }
        default: {
            const int raw = int(quint32(in.u16()) << 16 | in.u16());
            c.*f.number = how & 0x80 ? raw : f.min + int(quint32(raw) % quint32(f.max - f.min + 1));
            break;
        }
        }
    }
    return c;
}

void checkShown(const Configuration& c) {
    const Configuration page = config::forPage(c);
    for (const config::Field& f : config::fields()) {
        config::valueText(c, f, Loc);
        config::valueText(page, f, Loc);
    }
    config::firstZeroCoefficient(c);
}

// The relay keeps a text padded with blanks to its full length.
Configuration stored(const Configuration& c) {
    Configuration s = c;
    s.tipo_text = c.tipo_text.leftJustified(config::TextSize, QLatin1Char(' '));
    s.oust_text = c.oust_text.leftJustified(config::TextSize, QLatin1Char(' '));
    return s;
}

void valueToBlock(const Configuration& c) {
    if (!config::problems(c).isEmpty())
        return;
    const QByteArray block = config::encode(c);
    require(block.size() == config::BlockSize);
    require(config::writePayload(c) == char(config::WriteFull) + block);
    const Configuration back = config::decode(block);
    require(back == stored(c));
    require(config::differences(c, back).isEmpty());
    require(config::encode(back) == block);
}

void blockToValue(const QByteArray& block) {
    const Configuration c = config::decode(block);
    checkShown(c);
    // Whatever the relay holds, writing back what the page shows of it sends it unchanged.
    if (block.size() == config::BlockSize)
        require(config::merge(block, config::forPage(c), config::fieldKeys()) == block);
    const QList<Problem> problems = config::problems(c);
    for (const Problem& p : problems)
        require(config::fieldNamed(p.key) != nullptr);
    if (!problems.isEmpty())
        return;
    require(config::decode(config::encode(c)) == stored(c));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteReader in(data, size);
    if (in.flag()) {
        valueToBlock(valueOf(in));
    } else {
        blockToValue(in.rest());
    }
    return 0;
}
