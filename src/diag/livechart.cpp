#include "diag/livechart.h"

#include "protocol/waveform.h"

#include <QChart>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QValueAxis>

namespace kliv {

namespace {

struct SeriesDef {
    const char* name;
    const char* title;
    QColor colour;
    int width;
    Qt::PenStyle style;
};

// One colour a phase; voltage a thin solid line, current a thick dashed one, so the two
// differ in the plot without telling colours apart.
const SeriesDef Series[LiveChart::SeriesCount] = {
    {"Series1", "Ua", QColor(255, 255, 0), 1, Qt::SolidLine},
    {"Series2", "Ia", QColor(255, 255, 0), 2, Qt::DashLine},
    {"Series3", "Ub", QColor(128, 255, 0), 1, Qt::SolidLine},
    {"Series4", "Ib", QColor(128, 255, 0), 2, Qt::DashLine},
    {"Series5", "Uc", QColor(255, 0, 0), 1, Qt::SolidLine},
    {"Series6", "Ic", QColor(255, 0, 0), 2, Qt::DashLine},
};

const QString Title = QStringLiteral("Мониторинг синусоидальной формы напряжений и токов");
const QString Description =
    QStringLiteral("Осциллограммы фаз A, B и C за один период: напряжения Ua, Ub, Uc — тонкие "
                   "сплошные линии, токи Ia, Ib, Ic — толстые штриховые линии; по горизонтали "
                   "номер отсчета, по вертикали значение отсчета.");

// The samples are raw bytes, so the value range holds every possible one; the bottom
// axis holds the 100 samples and the one-position shift of the phase-A current.
constexpr double ValueMin = -1, ValueMax = 260;
constexpr double PositionMin = 0, PositionMax = 101;

} // namespace

LiveChart::LiveChart(QWidget* parent) : QChartView(parent) {
    setObjectName(QStringLiteral("Chart1"));
    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    setAccessibleName(Title);
    setAccessibleDescription(Description);
    chart->setTitle(Title);
    chart->setTitleBrush(QColor(211, 211, 211));
    QFont titleFont = chart->titleFont();
    titleFont.setBold(true);
    chart->setTitleFont(titleFont);
    chart->setBackgroundBrush(QColor(117, 117, 117));
    chart->setBackgroundRoundness(0);
    chart->setPlotAreaBackgroundBrush(Qt::white);
    chart->setPlotAreaBackgroundVisible(true);
    chart->setMargins(QMargins(4, 2, 4, 2));

    auto* x = new QValueAxis;
    x->setRange(PositionMin, PositionMax);
    x->setTickInterval(10);
    auto* y = new QValueAxis;
    y->setRange(ValueMin, ValueMax);
    y->setTickInterval(50);
    // Round grid lines from 0 rather than ticks spread over the odd range ends.
    for (QValueAxis* a : {x, y}) {
        a->setTickType(QValueAxis::TicksDynamic);
        a->setTickAnchor(0);
        a->setLabelFormat(QStringLiteral("%d"));
        a->setLabelsBrush(QColor(230, 230, 230));
        a->setGridLineColor(QColor(210, 210, 210));
    }
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);

    for (int i = 0; i < SeriesCount; ++i) {
        auto* s = new QLineSeries;
        s->setObjectName(QString::fromLatin1(Series[i].name));
        s->setName(QString::fromLatin1(Series[i].title));
        QPen pen(Series[i].colour, Series[i].width, Series[i].style);
        s->setPen(pen);
        s->setPointsVisible(false);
        s->setPointLabelsVisible(false);
        chart->addSeries(s);
        s->attachAxis(x);
        s->attachAxis(y);
        m_series[i] = s;
    }

    QLegend* legend = chart->legend();
    legend->setVisible(true);
    legend->setAlignment(Qt::AlignRight);
    legend->setBackgroundVisible(true);
    legend->setBrush(QColor(166, 166, 166));
    legend->setPen(QPen(QColor(80, 80, 80)));
    legend->setLabelColor(Qt::black);
    // A square for a voltage, a circle for a current: told apart without colour.
    for (QLegendMarker* marker : legend->markers())
        if (const auto* s = qobject_cast<QLineSeries*>(marker->series()))
            if (s->pen().style() == Qt::DashLine)
                marker->setShape(QLegend::MarkerShapeCircle);

    // The view starts with a default chart that it gives up, but does not delete, for this one.
    const QChart* const unused = this->chart();
    setChart(chart);
    delete unused;
    setRenderHint(QPainter::Antialiasing, false);
}

void LiveChart::showSamples(const WaveformStore& samples) {
    const auto points = waveform::series(samples);
    for (int i = 0; i < SeriesCount; ++i)
        m_series[i]->replace(points[i]);
}

} // namespace kliv
