#include "diag/valuelabel.h"

#include "app/fields.h"

#include <QFontMetrics>
#include <QLabel>

namespace kliv::diag {

QLabel* valueLabel(const QString& objectName, const QString& text, int minWidth) {
    QLabel* l = valueText(objectName, QString());
    l->setText(text);
    l->setTextInteractionFlags(Qt::NoTextInteraction);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    // Never narrower than its start-up text in bold, whatever the font.
    l->setMinimumWidth(qMax(minWidth, QFontMetrics(f).horizontalAdvance(text) + 12));
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, QColor(0, 128, 0));
    l->setPalette(p);
    return l;
}

QString nameOf(const QString& caption) {
    QString name = caption.trimmed();
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    return name;
}

QLabel* captionFor(const QString& text, QWidget* field) {
    field->setAccessibleName(nameOf(text));
    return caption(text, field);
}

} // namespace kliv::diag
