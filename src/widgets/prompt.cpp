#include "widgets/prompt.h"

#include "texts/shortlist.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>

namespace kliv {

namespace {

constexpr int FrameRows = 10; // the title bar, the margins and the buttons, in text rows

// How many of a text's first lines fit in `rows` rows, each wrapped at `width` pixels; a
// long line is counted high, as words do not break where the pixels do.
int linesFitting(const QString& text, int rows, const QFontMetrics& fm, int width) {
    int lines = 0;
    for (const QString& line : msg::shortText(text).split(u'\n')) {
        const int advance = fm.horizontalAdvance(line);
        rows -= advance <= width ? 1 : advance / width + 2;
        if (rows < 0)
            break;
        ++lines;
    }
    return qMax(1, lines);
}

// The first lines of a text that fit, a line with no blank to break at cut to one row.
QString fitted(const QString& text, int rows, const QFontMetrics& fm, int width) {
    QStringList lines = msg::shortText(text, linesFitting(text, rows, fm, width)).split(u'\n');
    for (QString& line : lines)
        if (!line.contains(u' ') && fm.horizontalAdvance(line) > width)
            line = fm.elidedText(line, Qt::ElideRight, width);
    return lines.join(u'\n');
}

// The text and the detail share the screen's height, each with a row for "… и ещё N".
void fill(QMessageBox& box, const QString& text, const QString& detail) {
    const QScreen* screen = box.screen() ? box.screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 640, 480);
    const QFontMetrics fm(box.font());
    const int rows = area.height() / fm.lineSpacing() - FrameRows;
    const int width = qMin(area.width() / 2, 500) - 20;
    const int share = (detail.isEmpty() ? rows : rows / 2) - 1;
    box.setText(fitted(text, share, fm, width));
    if (!detail.isEmpty())
        box.setInformativeText(fitted(detail, share, fm, width));
    // Selectable, so that the reason can be copied.
    for (QLabel* label : box.findChildren<QLabel*>()) {
        label->setTextFormat(Qt::PlainText);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
}

} // namespace

std::unique_ptr<QMessageBox> BoxPrompt::box(const Message& m, const QString& detail,
                                            QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(
        m.icon == Icon::Error      ? QMessageBox::Critical
        : m.icon == Icon::Question ? QMessageBox::Question
                                   : QMessageBox::Information,
        m.caption, QString(),
        m.icon == Icon::Question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parent);
    if (m.icon == Icon::Question)
        box->setDefaultButton(QMessageBox::No);
    fill(*box, m.text, detail);
    return box;
}

void BoxPrompt::show(const Message& m, const QString& detail) {
    box(m, detail, m_parent)->exec();
}

bool BoxPrompt::ask(const QString& caption, const QString& text) {
    return box({caption, text, Icon::Question}, {}, m_parent)->exec() == QMessageBox::Yes;
}

} // namespace kliv
