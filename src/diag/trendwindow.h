#pragma once

#include "protocol/liverecord.h"

#include <QChartView>
#include <QList>
#include <QWidget>

class QDateTimeAxis;
class QLineSeries;
class QListWidget;
class QValueAxis;

namespace kliv {

// A recording of the poll as a trend chart: the chosen values over time; the mouse wheel
// zooms the time axis around the pointer, "Весь период" shows the whole recording again.
class TrendWindow : public QWidget {
    Q_OBJECT
  public:
    TrendWindow(const liverecord::Trend& trend, const QString& title, QWidget* parent = nullptr);

    // The time axis, in milliseconds since the epoch.
    QPair<qint64, qint64> shownRange() const;
    void zoom(double factor, qint64 aroundMs); // factor < 1 narrows the time shown
    void showWhole();
    void setShown(int series, bool shown);

  private:
    class View;
    void fitValues();

    liverecord::Trend m_trend;
    View* m_view;
    QDateTimeAxis* m_time;
    QValueAxis* m_values;
    QList<QLineSeries*> m_series;
    QListWidget* m_choice;
    qint64 m_first = 0, m_last = 0;
};

} // namespace kliv
