#pragma once

#include <QLineEdit>

namespace kliv {

// A current in amperes as the user types it, unfiltered (the configuration codec decides
// how the text reads). Six characters, not five: the largest current the relay holds,
// 6553,5 A, is shown with its decimal, and a cut text would be written back changed.
class CurrentText : public QLineEdit {
    Q_OBJECT
  public:
    static constexpr int MaxChars = 6;
    CurrentText(const QString& objectName, const QString& text, QWidget* parent = nullptr);
    QSize sizeHint() const override;
};

} // namespace kliv
