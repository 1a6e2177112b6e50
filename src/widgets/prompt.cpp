#include "widgets/prompt.h"

#include <QMessageBox>

namespace kliv {

void BoxPrompt::show(const Message& m, const QString& detail) {
    QMessageBox box(m.icon == Icon::Error ? QMessageBox::Critical : QMessageBox::Information,
                    m.caption, m.text, QMessageBox::Ok, m_parent);
    if (!detail.isEmpty())
        box.setInformativeText(detail);
    box.exec();
}

bool BoxPrompt::ask(const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
                    m_parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

} // namespace kliv
