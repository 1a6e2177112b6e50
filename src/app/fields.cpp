#include "app/fields.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

namespace kliv {

QLabel* caption(const QString& text, QWidget* buddy) {
    auto* l = new QLabel(text);
    l->setBuddy(buddy);
    return l;
}

QLabel* unit(const QString& text) {
    return new QLabel(text);
}

QLabel* valueText(const QString& name, const QString& accessibleName) {
    auto* l = new QLabel;
    l->setObjectName(name);
    l->setAccessibleName(accessibleName);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setAlignment(Qt::AlignCenter);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

QComboBox* dropDown(const QString& name, const QStringList& items) {
    auto* c = new QComboBox;
    c->setObjectName(name);
    c->addItems(items);
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
