#pragma once

#include <QLineEdit>

namespace kliv {

// A current in amperes as the user types it: at most five characters, unfiltered
// (the configuration codec decides how the text reads).
class CurrentText : public QLineEdit {
    Q_OBJECT
  public:
    static constexpr int MaxChars = 5;
    CurrentText(const QString& objectName, const QString& text, QWidget* parent = nullptr);
    QSize sizeHint() const override;
};

} // namespace kliv
