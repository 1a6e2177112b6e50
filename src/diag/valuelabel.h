#pragma once

#include <QString>

class QLabel;
class QWidget;

namespace kliv::diag {

// A live value: centred bold green text on a sunken frame, "0" until the first record.
QLabel* valueLabel(const QString& objectName, const QString& text = QStringLiteral("0"),
                   int minWidth = 56);

// What a screen reader calls the field behind a caption: the caption without its colon.
QString nameOf(const QString& caption);

// A caption whose buddy is `field`; the field takes the caption (without its colon) as
// its accessible name so screen readers and tests find it by what the user reads.
QLabel* captionFor(const QString& text, QWidget* field);

} // namespace kliv::diag
