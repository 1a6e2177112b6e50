#include "texts/traffictexts.h"

#include "protocol/frame.h"

namespace kliv::msg {

namespace {

// Widths of the aligned columns of a text line, but the last two, which run on.
constexpr std::array<int, TrafficColumns - 2> Widths = {9, 2, 5, 3, 4};

bool framed(const Traffic& t) {
    return t.verdict != Verdict::Noise && t.bytes.size() >= frame::HeaderSize &&
           quint8(t.bytes.at(0)) == frame::StartByte;
}

} // namespace

QString verdictText(Verdict v) {
    switch (v) {
    case Verdict::Good:
        return QStringLiteral("норма");
    case Verdict::BadSum:
        return QStringLiteral("ошибка суммы");
    case Verdict::Cut:
        return QStringLiteral("обрыв кадра");
    case Verdict::Noise:
        return QStringLiteral("шум пропущен");
    case Verdict::Unmatched:
        return QStringLiteral("чужой ответ");
    case Verdict::Repeat:
        return QStringLiteral("повтор");
    }
    return {};
}

QStringList trafficHeaders() {
    return {QStringLiteral("Время, мс"), QStringLiteral("Напр."), QStringLiteral("Зав. №"),
            QStringLiteral("Вид"),       QStringLiteral("Байт"),  QStringLiteral("Итог"),
            QStringLiteral("Кадр")};
}

std::array<QString, TrafficColumns> trafficFields(const Traffic& t) {
    const bool f = framed(t);
    const QString none = QStringLiteral("-");
    return {QString::number(t.ms),
            t.sent ? QStringLiteral("TX") : QStringLiteral("RX"),
            f ? QString::number(quint8(t.bytes.at(2)) << 8 | quint8(t.bytes.at(3))) : none,
            f ? QString::number(frame::kindOf(t.bytes)) : none,
            QString::number(t.bytes.size()),
            verdictText(t.verdict),
            frame::hex(t.bytes)};
}

QString trafficLine(const Traffic& t) {
    const auto fields = trafficFields(t);
    QString line;
    for (int i = 0; i < int(Widths.size()); ++i)
        line +=
            fields[std::size_t(i)].rightJustified(Widths[std::size_t(i)]) + QStringLiteral("  ");
    return line + fields[5].leftJustified(12) + QStringLiteral("  ") + fields[6];
}

} // namespace kliv::msg
