#include "files/jsonmembers.h"

#include <QHash>

namespace kliv::json {

namespace {

class Scanner {
  public:
    explicit Scanner(QByteArrayView text) : m_text(text) {}

    qsizetype at() const { return m_at; }
    bool atEnd() const { return m_at >= m_text.size(); }
    char peek() const { return atEnd() ? '\0' : m_text[m_at]; }
    bool take(char c) {
        if (peek() != c)
            return false;
        ++m_at;
        return true;
    }
    void skipBlanks() {
        while (!atEnd() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r'))
            ++m_at;
    }
    void skipByteOrderMark() {
        if (m_text.startsWith(QByteArrayView("\xEF\xBB\xBF")))
            m_at = 3;
    }

    // A string from its opening quote, decoded; none when it does not close.
    std::optional<QString> string() {
        if (!take('"'))
            return std::nullopt;
        QString out;
        qsizetype run = m_at; // raw UTF-8 since the last escape
        while (!atEnd()) {
            const char c = m_text[m_at];
            if (c == '"') {
                out += QString::fromUtf8(m_text.sliced(run, m_at - run));
                ++m_at;
                return out;
            }
            if (c != '\\') {
                ++m_at;
                continue;
            }
            out += QString::fromUtf8(m_text.sliced(run, m_at - run));
            if (m_at + 1 >= m_text.size())
                return std::nullopt;
            const char e = m_text[m_at + 1];
            m_at += 2;
            if (e == 'u') {
                const std::optional<char16_t> unit = hex4();
                if (!unit)
                    return std::nullopt;
                out += QChar(*unit); // a pair of them makes a character beyond the BMP
                m_at += 4;
            } else {
                out += escaped(e);
            }
            run = m_at;
        }
        return std::nullopt;
    }

    // Any value, passed over; false when the text ends inside it.
    bool skipValue() {
        const char c = peek();
        if (c == '"')
            return string().has_value();
        if (c != '{' && c != '[') {
            while (!atEnd() && !isEndOfScalar(peek()))
                ++m_at;
            return true;
        }
        int depth = 0;
        while (!atEnd()) {
            const char d = peek();
            if (d == '"') {
                if (!string())
                    return false;
                continue;
            }
            ++m_at;
            depth += (d == '{' || d == '[') ? 1 : (d == '}' || d == ']') ? -1 : 0;
            if (depth == 0)
                return true;
        }
        return false;
    }

  private:
    std::optional<char16_t> hex4() const {
        if (m_at + 4 > m_text.size())
            return std::nullopt;
        char16_t unit = 0;
        for (qsizetype i = m_at; i < m_at + 4; ++i) {
            const char c = m_text[i];
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0)
                return std::nullopt;
            unit = char16_t(unit << 4 | digit);
        }
        return unit;
    }
    static QChar escaped(char e) {
        switch (e) {
        case 'b':
            return QChar(u'\b');
        case 'f':
            return QChar(u'\f');
        case 'n':
            return QChar(u'\n');
        case 'r':
            return QChar(u'\r');
        case 't':
            return QChar(u'\t');
        default:
            return QChar::fromLatin1(e); // " \ /
        }
    }
    static bool isEndOfScalar(char c) {
        return c == ',' || c == '}' || c == ']' || c == ' ' || c == '\t' || c == '\n' || c == '\r';
    }

    QByteArrayView m_text;
    qsizetype m_at = 0;
};

} // namespace

std::optional<QList<Member>> members(QByteArrayView text) {
    Scanner s(text);
    s.skipByteOrderMark();
    s.skipBlanks();
    if (!s.take('{'))
        return std::nullopt;
    QList<Member> out;
    s.skipBlanks();
    if (s.take('}'))
        return out;
    do {
        s.skipBlanks();
        std::optional<QString> key = s.string();
        s.skipBlanks();
        if (!key || !s.take(':'))
            return std::nullopt;
        s.skipBlanks();
        const qsizetype begin = s.at();
        if (!s.skipValue())
            return std::nullopt;
        out.append({*std::move(key), begin, s.at()});
        s.skipBlanks();
    } while (s.take(','));
    if (!s.take('}'))
        return std::nullopt;
    return out;
}

QStringList repeatedKeys(const QList<Member>& members) {
    QHash<QString, int> seen;
    seen.reserve(members.size());
    QStringList out;
    for (const Member& m : members)
        if (++seen[m.key] == 2)
            out << m.key;
    return out;
}

} // namespace kliv::json
