#include "widgets/currenttext.h"

namespace kliv {

CurrentText::CurrentText(const QString& name, const QString& text, QWidget* parent)
    : QLineEdit(text, parent) {
    setObjectName(name);
    setMaxLength(MaxChars);
    setAlignment(Qt::AlignRight);
}

QSize CurrentText::sizeHint() const {
    const QSize base = QLineEdit::sizeHint();
    return {fontMetrics().horizontalAdvance(QStringLiteral("0000,0")) + 16, base.height()};
}

} // namespace kliv
