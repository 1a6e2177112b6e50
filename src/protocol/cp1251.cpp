#include "protocol/cp1251.h"

#include <array>

namespace kliv::cp1251 {

namespace {

// Bytes 0x80..0xBF; 0x00..0x7F are ASCII and 0xC0..0xFF the letters А..я in order. The
// byte the code page leaves undefined (0x98) stands for U+0098, so every byte has exactly
// one character and back, as Qt's ICU codec has it on Linux. The table is ours because Qt
// without ICU (Windows) has no such codec.
constexpr std::array<char16_t, 64> High = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F, // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, // B8
};
constexpr char16_t FirstLetter = 0x0410; // А, at byte 0xC0

char16_t character(unsigned char b) {
    if (b < 0x80)
        return b;
    if (b < 0xC0)
        return High[b - 0x80];
    return char16_t(FirstLetter + (b - 0xC0));
}

// A character the code page lacks becomes SUB, as ICU substitutes it.
constexpr char Substitute = 0x1A;

// ICU drops default-ignorable characters the code page lacks (zero-width and bidi marks,
// variation selectors, U+FEFF...) instead of substituting them.
bool dropped(char32_t cp) {
    struct Range {
        char32_t first, last;
    };
    static constexpr Range Ignorable[] = {
        {0x034F, 0x034F}, {0x061C, 0x061C},   {0x115F, 0x1160},   {0x17B4, 0x17B5},
        {0x180B, 0x180F}, {0x200B, 0x200F},   {0x202A, 0x202E},   {0x2060, 0x206F},
        {0x3164, 0x3164}, {0xFE00, 0xFE0F},   {0xFEFF, 0xFEFF},   {0xFFA0, 0xFFA0},
        {0xFFF0, 0xFFF8}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0000, 0xE0FFF},
    };
    for (const Range& r : Ignorable)
        if (cp >= r.first && cp <= r.last)
            return true;
    return false;
}

void append(QByteArray& out, char32_t cp) {
    if (cp < 0x80) {
        out.append(char(cp));
        return;
    }
    if (cp >= FirstLetter && cp < FirstLetter + 64u) {
        out.append(char(0xC0 + (cp - FirstLetter)));
        return;
    }
    for (std::size_t i = 0; i < High.size(); ++i) {
        if (High[i] == cp) {
            out.append(char(0x80 + i));
            return;
        }
    }
    if (!dropped(cp))
        out.append(Substitute);
}

} // namespace

QString decode(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        text[i] = QChar(character(static_cast<unsigned char>(bytes[i])));
    }
    return text;
}

QString decodeToZero(const QByteArray& bytes) {
    const qsizetype end = bytes.indexOf('\0');
    return decode(end < 0 ? bytes : bytes.left(end));
}

QByteArray encode(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch.isHighSurrogate()) {
            // A high surrogate that ends the text waits for its pair and gives nothing.
            if (i + 1 == text.size())
                break;
            if (text[i + 1].isLowSurrogate()) {
                append(out, QChar::surrogateToUcs4(ch, text[i + 1]));
                ++i;
                continue;
            }
            out.append(Substitute);
        } else if (ch.isLowSurrogate()) {
            out.append(Substitute);
        } else {
            append(out, ch.unicode());
        }
    }
    return out;
}

} // namespace kliv::cp1251
