#pragma once

#include <QGroupBox>

class QPushButton;

namespace kliv {

// "Калибровка": the seven coefficients, the cos f correction and, beside them, the
// auto-calibration choices with their reference values and progress.
class CalibrationGroup : public QGroupBox {
    Q_OBJECT
  public:
    explicit CalibrationGroup(QWidget* parent = nullptr);

    QPushButton* autoButton() const { return m_auto; } // "Авто-калибровка"

  private:
    QPushButton* m_auto = nullptr;
};

} // namespace kliv
