#pragma once

#include "protocol/calibration.h"

#include <QGroupBox>
#include <array>

class QCheckBox;
class QLineEdit;
class QProgressBar;
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

  Q_SIGNALS:
    // The relay's blocking after a trip, as it reports it after a calibration.
    void blockingReported(bool on);

  private:
    void calibrate(); // "Авто-калибровка"
    void showCoefficients(const calibration::Coefficients& coefficients);

    Engine& m_engine;
    Prompt& m_prompt;
    // By channel: Ua, Ub, Uc, Ia, Ib, Ic, Iут.
    std::array<QLineEdit*, calibration::ChannelCount> m_coefficients{};
    std::array<QCheckBox*, calibration::ChannelCount> m_boxes{};
    std::array<QLineEdit*, calibration::ChannelCount> m_references{};
    QProgressBar* m_progress = nullptr;
    QPushButton* m_auto = nullptr;
};

} // namespace kliv
