#pragma once

#include <QLabel>

namespace kliv {

// A label that shows a value the program writes (a measurement, a timer, a counter, a
// date). Screen readers get the caption it stands behind as its name and its text as
// its value, so they can read the value and still tell which one it is.
class ValueLabel : public QLabel {
    Q_OBJECT
  public:
    explicit ValueLabel(QWidget* parent = nullptr);
};

} // namespace kliv
