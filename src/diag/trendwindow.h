#pragma once

#include "files/trendreader.h"

#include <QChartView>
#include <QHash>
#include <QList>
#include <QTimer>
#include <QWidget>
#include <memory>

class QDateTimeAxis;
class QLabel;
class QLineEdit;
class QLineSeries;
class QListWidget;
class QProgressBar;
class QPushButton;
class QValueAxis;

namespace kliv {

namespace files {
class TrendLoad;
}

// A recording of the poll as a trend chart: the chosen values over time; the mouse wheel
// zooms the time axis around the pointer, "Весь период" shows the whole recording again.
// The file is read behind the window, with its progress and "Отмена"; the chart draws each
// column cut down to a few thousand points, and a time zoomed into is read again in full.
class TrendWindow : public QWidget {
    Q_OBJECT
  public:
    TrendWindow(const QString& path, const QString& title, QWidget* parent = nullptr);
    ~TrendWindow() override;

    bool loading() const { return m_load != nullptr; }
    QStringList columns() const { return m_whole.columns; }
    // The points a column's line holds now.
    QList<QPointF> drawn(int column) const;

    // The time axis, in milliseconds since the epoch.
    QPair<qint64, qint64> shownRange() const;
    void zoom(double factor, qint64 aroundMs); // factor < 1 narrows the time shown
    void showWhole();
    void setShown(int column, bool shown);
    // The zoom has come to rest: where the whole file's points are too few for the time
    // shown, that time is read again for the columns shown.
    void readDetail();
    void cancel(); // "Отмена": a first read closes the window, a detail read just stops

  Q_SIGNALS:
    void unreadable(const QString& why); // the file shows nothing; the window closes

  private:
    class View;
    void load(const files::TrendRequest& request);
    void takeColumns(const QStringList& columns);
    void takeTrend(const files::Trend& trend);
    void showProgress(qint64 done, qint64 total);
    void filterColumns(const QString& text);
    bool detailShown() const;
    void refresh();
    void fitValues();

    QString m_path;
    std::unique_ptr<files::TrendLoad> m_load;
    bool m_loadingDetail = false;
    quint64 m_serial = 0; // of the read under way: a stale read's signals are let pass
    files::Trend m_whole, m_detail;
    QPair<qint64, qint64> m_detailRange, m_askedRange;
    quint64 m_detailSerial = 0;
    QList<bool> m_shown;
    QHash<int, QLineSeries*> m_lines;
    QHash<int, quint64> m_lineHolds; // the serial of the detail a line shows, 0 the whole
    View* m_view;
    QDateTimeAxis* m_time;
    QValueAxis* m_values;
    QLineEdit* m_filter;
    QListWidget* m_choice;
    QPushButton *m_wholeButton, *m_cancel;
    QProgressBar* m_progress;
    QLabel* m_status;
    QTimer m_rest;
};

} // namespace kliv
