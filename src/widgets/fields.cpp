#include "widgets/fields.h"

#include "texts/configtexts.h"
#include "widgets/dropdown.h"
#include "widgets/valuelabel.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>

namespace kliv {

QString nameOf(const QString& caption) {
    QString name = caption.trimmed();
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    return name;
}

QLabel* caption(const QString& text, QWidget* buddy) {
    auto* l = new QLabel(text);
    l->setBuddy(buddy);
    buddy->setAccessibleName(nameOf(text));
    return l;
}

QLabel* unit(const QString& text) {
    return new QLabel(text);
}

QLabel* valueText(const QString& name, const QString& accessibleName) {
    auto* l = new ValueLabel;
    l->setObjectName(name);
    l->setAccessibleName(accessibleName);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setAlignment(Qt::AlignCenter);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    l->setTextFormat(Qt::PlainText); // relay texts are never markup
    return l;
}

QLabel* valueLabel(const QString& objectName, const QString& text, int minWidth) {
    QLabel* l = valueText(objectName, QString());
    // Named by the caption that takes it as its buddy.
    l->setText(text);
    l->setTextInteractionFlags(Qt::NoTextInteraction);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    l->setMinimumWidth(qMax(minWidth, QFontMetrics(f).horizontalAdvance(text) + 12));
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, QColor(0, 128, 0));
    l->setPalette(p);
    return l;
}

QComboBox* dropDown(const QString& name, const QStringList& items) {
    auto* c = new DropDown;
    c->setObjectName(name);
    c->addItems(items);
    return c;
}

QComboBox* portList(const QString& name) {
    auto* c = static_cast<DropDown*>(dropDown(name, {}));
    c->setChoiceAsToolTip(true);
    // The closed list keeps its width whatever the paths; the tooltip shows the rest.
    c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    c->setMinimumContentsLength(12);
    QAbstractItemView* popup = c->view();
    popup->setTextElideMode(Qt::ElideNone);
    auto fit = [c, popup] {
        const QFontMetrics fm(popup->font());
        int widest = 0;
        for (int i = 0; i < c->count(); ++i) {
            widest = qMax(widest, fm.horizontalAdvance(c->itemText(i)));
            c->setItemData(i, c->itemText(i), Qt::ToolTipRole);
        }
        // Room for the item's margins and a scroll bar beside it.
        const int frame =
            2 * popup->frameWidth() + 16 + popup->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        popup->setMinimumWidth(widest > 0 ? widest + frame : 0);
    };
    QObject::connect(c->model(), &QAbstractItemModel::rowsInserted, c, fit);
    QObject::connect(c->model(), &QAbstractItemModel::rowsRemoved, c, fit);
    return c;
}

QPushButton* button(const QString& name, const QString& text) {
    auto* b = new QPushButton(text);
    b->setObjectName(name);
    return b;
}

QProgressBar* progressBar(const QString& name, int max, const QString& accessibleName) {
    auto* p = new QProgressBar;
    p->setObjectName(name);
    p->setRange(0, max);
    p->setValue(0);
    p->setTextVisible(false);
    p->setAccessibleName(accessibleName);
    return p;
}

QLineEdit* textEdit(const QString& name, const QString& text, int maxLength) {
    auto* e = new QLineEdit(text);
    e->setObjectName(name);
    e->setMaxLength(maxLength);
    return e;
}

} // namespace kliv
