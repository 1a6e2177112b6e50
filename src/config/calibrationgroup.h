#pragma once

#include <QGroupBox>

class QPushButton;

namespace kliv {

class Engine;
class Prompt;

// "Калибровка": the seven coefficients, the cos f correction and, beside them, the
// auto-calibration choices with their reference values and progress.
class CalibrationGroup : public QGroupBox {
    Q_OBJECT
  public:
    CalibrationGroup(Engine& engine, Prompt& prompt, QWidget* parent = nullptr);

    QPushButton* autoButton() const { return m_auto; } // "Авто-калибровка"

  private:
    Engine& m_engine;
    Prompt& m_prompt;
    QPushButton* m_auto = nullptr;
};

} // namespace kliv
