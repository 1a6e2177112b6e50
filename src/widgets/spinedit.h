#pragma once

#include <QSpinBox>

namespace kliv {

// An integer field with arrows stepping by one within its limits; a typed value
// outside the limits becomes the nearest limit, a text that is no number the lower one.
class SpinEdit : public QSpinBox {
    Q_OBJECT
  public:
    SpinEdit(const QString& objectName, int min, int max, int value, QWidget* parent = nullptr);

  protected:
    QValidator::State validate(QString& text, int& pos) const override;
    void fixup(QString& text) const override;
    int valueFromText(const QString& text) const override;
};

} // namespace kliv
