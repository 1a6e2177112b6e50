#pragma once
#include "texts/configtexts.h"

#include <QString>
#include <QStringList>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QWidget;

namespace kliv {

// Small builders shared by the windows, so every field gets its name, its caption and
// an accessible name the same way.

// What a screen reader calls the field behind a caption: the caption without its colon.
QString nameOf(const QString& caption);
// A caption in front of a field; the field takes the caption (without its colon) as its
// accessible name, so screen readers and tests find it by what the user reads.
QLabel* caption(const QString& text, QWidget* buddy);
// A unit behind a field ("В", "Сек").
QLabel* unit(const QString& text);
// A sunken, centred static text that shows a value; it starts empty, so it is named.
// Screen readers read the name and, as its value, the text it shows now.
QLabel* valueText(const QString& objectName, const QString& accessibleName);
// A live value: centred bold green text on a sunken frame, never narrower than its
// start-up text.
QLabel* valueLabel(const QString& objectName, const QString& text = QStringLiteral("0"),
                   int minWidth = 56);
// A drop-down list that admits only its items.
QComboBox* dropDown(const QString& objectName, const QStringList& items);
// A list of serial ports. Device paths can be long (/dev/serial/by-id/...), so the
// popup widens to show every one in full and the list's tooltip repeats the chosen one.
QComboBox* portList(const QString& objectName);
// A push button.
QPushButton* button(const QString& objectName, const QString& text);
// A progress bar from 0 to `max`, without a percentage text.
QProgressBar* progressBar(const QString& objectName, int max, const QString& accessibleName);
// A free text edit.
QLineEdit* textEdit(const QString& objectName, const QString& text, int maxLength = 32767);

} // namespace kliv
