#pragma once

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

// A caption in front of a field; the field takes its accessible name from it.
QLabel* caption(const QString& text, QWidget* buddy);
// A unit behind a field ("В", "Сек").
QLabel* unit(const QString& text);
// A sunken, centred static text that shows a value; it starts empty, so it is named.
QLabel* valueText(const QString& objectName, const QString& accessibleName);
// A drop-down list that admits only its items.
QComboBox* dropDown(const QString& objectName, const QStringList& items);
// A push button.
QPushButton* button(const QString& objectName, const QString& text);
// A progress bar from 0 to `max`, without a percentage text.
QProgressBar* progressBar(const QString& objectName, int max, const QString& accessibleName);
// A free text edit.
QLineEdit* textEdit(const QString& objectName, const QString& text, int maxLength = 32767);

} // namespace kliv
