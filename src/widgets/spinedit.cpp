#include "widgets/spinedit.h"

namespace kliv {

SpinEdit::SpinEdit(const QString& name, int min, int max, int value, QWidget* parent)
    : QSpinBox(parent) {
    setObjectName(name);
    setRange(min, max);
    setValue(value);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    setKeyboardTracking(false);
}

// Any integer may be typed; it is brought into the limits when the field is left.
QValidator::State SpinEdit::validate(QString& text, int&) const {
    const QString t = text.trimmed();
    if (t.isEmpty() || t == QLatin1String("-"))
        return QValidator::Intermediate;
    bool ok = false;
    const qlonglong v = t.toLongLong(&ok);
    if (!ok)
        return QValidator::Invalid;
    return v >= minimum() && v <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
}

void SpinEdit::fixup(QString& text) const {
    bool ok = false;
    const qlonglong v = text.trimmed().toLongLong(&ok);
    const qlonglong clamped =
        ok ? qBound(qlonglong(minimum()), v, qlonglong(maximum())) : minimum();
    text = QString::number(clamped);
}

int SpinEdit::valueFromText(const QString& text) const {
    bool ok = false;
    const qlonglong v = text.trimmed().toLongLong(&ok);
    return ok ? int(qBound(qlonglong(minimum()), v, qlonglong(maximum()))) : minimum();
}

} // namespace kliv
