#pragma once

#include <QGroupBox>

class QCheckBox;
class QLabel;
class QPushButton;

namespace kliv {

class SpinEdit;
struct ClockBlock;

// The relay clock as the last live record showed it, the three clock settings that a
// correction sends along, and the "Корректировка часов" button.
class ClockPanel : public QGroupBox {
    Q_OBJECT
  public:
    explicit ClockPanel(QWidget* parent = nullptr);

    void showClock(const ClockBlock& c);

    int calibration() const;
    bool stop() const;
    bool autoDst() const;

  Q_SIGNALS:
    void correctRequested();

  private:
    QLabel* m_date;
    QLabel* m_time;
    SpinEdit* m_cal;
    QCheckBox* m_stop;
    QCheckBox* m_auto;
    QPushButton* m_correct;
};

} // namespace kliv
