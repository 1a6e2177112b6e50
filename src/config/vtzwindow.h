#pragma once

#include <QDialog>
#include <QList>
#include <QPointF>

class QLineEdit;
class QChartView;
class QLineSeries;
class QLogValueAxis;
class QValueAxis;

namespace kliv {

class SpinEdit;

// The overload (time-current) characteristic for the configured time setting, on a
// logarithmic time axis, with the time setting editable beside the curve.
class CharacteristicWindow : public QDialog {
    Q_OBJECT
  public:
    static constexpr int Points = 90;

    explicit CharacteristicWindow(QWidget* parent = nullptr);

    // Trip time against overload multiple: for i = 1..90, (i / 10 + 1, seconds / i).
    static QList<QPointF> curve(int seconds);

    // Fills the window from the configuration page before it is shown: the nominal
    // current as typed there (shown only) and the time setting.
    void load(const QString& nominalCurrent, int seconds);

    SpinEdit* timeSetting() const { return m_time; }
    QLineSeries* series() const { return m_series; }

  Q_SIGNALS:
    // The user changed the time setting here; the configuration page takes it over.
    void timeChanged(int seconds);

  private:
    void plot();

    QLineEdit* m_nominal;
    SpinEdit* m_time;
    QChartView* m_view;
    QLineSeries* m_series;
    QLogValueAxis* m_timeAxis;
    QValueAxis* m_multipleAxis;
};

} // namespace kliv
