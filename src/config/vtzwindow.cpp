#include "config/vtzwindow.h"

#include "widgets/fields.h"
#include "widgets/spinedit.h"

#include <QChart>
#include <QChartView>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QValueAxis>
#include <cmath>

namespace kliv {

namespace {

constexpr int NominalChars = 5;
constexpr int StartSeconds = 600;
constexpr int TitlePixels = 13;

QFont pixelFont(const QFont& base, int pixels) {
    QFont f = base;
    f.setPixelSize(pixels);
    return f;
}

} // namespace

QList<QPointF> CharacteristicWindow::curve(int seconds) {
    QList<QPointF> points;
    points.reserve(Points);
    for (int i = 1; i <= Points; ++i)
        points.append({i / 10.0 + 1.0, double(seconds) / i});
    return points;
}

CharacteristicWindow::CharacteristicWindow(QWidget* parent)
    : QDialog(parent), m_nominal(textEdit(QStringLiteral("g_inom_a"), {}, NominalChars)),
      m_time(new SpinEdit(QStringLiteral("g_vtz_t"), 1, 999, StartSeconds)), m_view(new QChartView),
      m_series(new QLineSeries), m_timeAxis(new QLogValueAxis), m_multipleAxis(new QValueAxis) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("   График время-токовой характеристики"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);

    m_nominal->setEnabled(false);
    m_nominal->setAlignment(Qt::AlignRight);
    m_nominal->setMaximumWidth(m_nominal->fontMetrics().horizontalAdvance(QStringLiteral("00000")) +
                               16);
    // The curve follows every digit typed, not only the finished value.
    m_time->setKeyboardTracking(true);

    m_series->setObjectName(QStringLiteral("Series1"));
    m_series->setColor(QColor(255, 0, 0));
    m_series->setPointsVisible(true);
    m_series->setMarkerSize(1);

    auto* chart = new QChart;
    chart->legend()->hide();
    chart->setTitle(QStringLiteral("Время-токовая характеристика КЛИВ"));
    chart->setTitleBrush(QColor(Qt::blue));
    chart->setTitleFont(pixelFont(font(), TitlePixels));
    chart->setBackgroundRoundness(0);
    chart->addSeries(m_series);

    const QColor navy(0, 0, 128);
    m_timeAxis->setBase(10);
    m_timeAxis->setLabelFormat(QStringLiteral("%g"));
    m_timeAxis->setMinorTickCount(0);
    m_timeAxis->setTitleText(QStringLiteral("Время срабатывания, сек"));
    m_timeAxis->setTitleBrush(navy);
    m_timeAxis->setTitleFont(pixelFont(font(), TitlePixels));
    m_multipleAxis->setTitleText(QStringLiteral("Кратность перегрузки по току"));
    m_multipleAxis->setTitleBrush(navy);
    m_multipleAxis->setTitleFont(pixelFont(font(), TitlePixels));
    m_multipleAxis->setRange(1.0, 10.0);
    m_multipleAxis->setTickCount(10);
    m_multipleAxis->setLabelFormat(QStringLiteral("%g"));
    chart->addAxis(m_timeAxis, Qt::AlignLeft);
    chart->addAxis(m_multipleAxis, Qt::AlignBottom);
    m_series->attachAxis(m_timeAxis);
    m_series->attachAxis(m_multipleAxis);

    m_view->setObjectName(QStringLiteral("Chart1"));
    // The view starts with a default chart that it gives up, but does not delete, for this one.
    const QChart* const unused = m_view->chart();
    m_view->setChart(chart);
    delete unused;
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setMinimumSize(560, 400);
    m_view->setAccessibleName(chart->title());
    m_view->setAccessibleDescription(
        QStringLiteral("Время срабатывания, сек, по кратности перегрузки по току"));

    auto* g = new QGridLayout(this);
    g->setSizeConstraint(QLayout::SetFixedSize);
    g->addWidget(caption(QStringLiteral("Номинальный ток:"), m_nominal), 0, 0);
    g->addWidget(m_nominal, 0, 1);
    g->addWidget(unit(QStringLiteral("А")), 0, 2);
    g->addWidget(caption(QStringLiteral("Время срабатывания:"), m_time), 0, 4);
    g->addWidget(m_time, 0, 5);
    g->addWidget(unit(QStringLiteral("Сек")), 0, 6);
    g->setColumnMinimumWidth(3, 24);
    g->setColumnStretch(7, 1);
    g->addWidget(m_view, 1, 0, 1, 8);

    connect(m_time, &SpinEdit::valueChanged, this, [this](int seconds) {
        Q_EMIT timeChanged(seconds);
        plot();
    });
    plot();
}

void CharacteristicWindow::load(const QString& nominalCurrent, int seconds) {
    m_nominal->setText(nominalCurrent);
    if (m_time->value() == seconds)
        plot(); // a new value replots through its change handler
    else
        m_time->setValue(seconds);
}

void CharacteristicWindow::plot() {
    const QList<QPointF> points = curve(m_time->value());
    m_series->replace(points);
    // Whole decades around the curve, so the log axis labels powers of ten; a top point
    // that is itself a power of ten gets the next decade rather than sitting on the edge.
    const double low = std::pow(10.0, std::floor(std::log10(points.last().y())));
    const double high = std::pow(10.0, std::ceil(std::log10(points.first().y()) + 1e-9));
    m_timeAxis->setRange(low, high);
}

} // namespace kliv
