#include "widgets/dropdown.h"

#include "widgets/accessible.h"

#include <QHelpEvent>
#include <QToolTip>

namespace kliv {

DropDown::DropDown(QWidget* parent) : QComboBox(parent) {
    installAccessibleInterfaces();
}

void DropDown::showPopup() {
    Q_EMIT aboutToShowPopup();
    QComboBox::showPopup();
}

bool DropDown::event(QEvent* e) {
    if (m_choiceAsToolTip && e->type() == QEvent::ToolTip) {
        const QString choice = currentText();
        if (choice.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(static_cast<QHelpEvent*>(e)->globalPos(), choice, this);
        return true;
    }
    return QComboBox::event(e);
}

} // namespace kliv
