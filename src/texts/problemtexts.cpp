#include "texts/problemtexts.h"

#include "model/configschema.h"
#include "texts/calibrationtexts.h"

namespace kliv::msg {

namespace {

using R = Problem::Rule;

QString limitText(const config::Field& f, int v, const NumberLocale& loc) {
    return f.kind == config::FieldKind::Tenths ? numfmt::format(v, 1, u"0.#", loc)
                                               : QString::number(v);
}

// What a field's value broke, after its label.
QString fieldRule(const Problem& p, const config::Field& f, const NumberLocale& loc) {
    switch (p.rule) {
    case R::Range: {
        QString text = QStringLiteral("значение должно быть от %1 до %2")
                           .arg(limitText(f, p.min, loc), limitText(f, p.max, loc));
        if (f.unit)
            text += QLatin1Char(' ') + QString::fromUtf8(f.unit);
        return text;
    }
    case R::Item:
        return QStringLiteral("номер элемента списка должен быть от %1 до %2")
            .arg(p.min)
            .arg(p.max);
    case R::Length:
        return QStringLiteral("текст должен быть не длиннее %1 символов").arg(p.max);
    case R::Control:
        return QStringLiteral("текст не должен содержать управляющих символов");
    case R::CodePage:
        return QStringLiteral("символ «%1» не входит в кодировку Windows-1251").arg(p.text);
    default:
        break;
    }
    return {};
}

QString channelText(const Problem& p, int c) {
    const QString label = calibration::labelOf(c);
    const QString given = p.text.isEmpty() ? QString::number(p.value) : p.text;
    switch (p.rule) {
    case R::Reference:
        return QStringLiteral("%1: эталонное значение «%2» не является числом больше 0.")
            .arg(label, given);
    case R::Coefficient:
        return QStringLiteral("%1: коэффициент «%2» не является целым числом от 0 до %3.")
            .arg(label, p.text.isEmpty() ? QString::number(qint64(p.value)) : p.text)
            .arg(p.max);
    case R::NoSignal:
        return QStringLiteral("%1: нет сигнала (коэффициент 0).").arg(label);
    case R::TooLarge:
        return QStringLiteral("%1: коэффициент %2 больше %3.")
            .arg(label, QString::number(p.value, 'f', 0))
            .arg(p.max);
    default:
        break;
    }
    return label;
}

} // namespace

QString problemText(const Problem& p, const NumberLocale& loc) {
    if (p.key == QLatin1String(Problem::Payload))
        return QStringLiteral("Слишком длинный запрос: %1 байт (не более %2).")
            .arg(qint64(p.value))
            .arg(p.max);
    if (p.key == QLatin1String(Problem::SpeedKey))
        return QStringLiteral("Скорость RS485: нет такой скорости в списке (%1).")
            .arg(qint64(p.value));
    if (const int c = calibration::channelOfKey(p.key); c >= 0)
        return channelText(p, c);
    const config::Field* f = config::fieldNamed(p.key);
    const QString label = f ? QString::fromUtf8(f->label) : p.key;
    if (p.rule == R::Number || p.rule == R::WholeNumber)
        return QStringLiteral("%1: «%2» — не %3.")
            .arg(label, p.text,
                 p.rule == R::WholeNumber ? QStringLiteral("целое число")
                                          : QStringLiteral("число"));
    return label + QStringLiteral(": ") + (f ? fieldRule(p, *f, loc) : QString());
}

QStringList problemTexts(const QList<Problem>& problems, const NumberLocale& loc) {
    QStringList out;
    for (const Problem& p : problems)
        out << problemText(p, loc);
    return out;
}

} // namespace kliv::msg
