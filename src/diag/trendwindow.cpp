#include "diag/trendwindow.h"

#include "widgets/fields.h"

#include <QDateTime>
#include <QDateTimeAxis>
#include <QHBoxLayout>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValueAxis>
#include <QWheelEvent>
#include <algorithm>

namespace kliv {

namespace {

constexpr double ZoomIn = 0.8;
constexpr int ShownAtFirst = 3; // the three phase voltages
constexpr qint64 LeastSpanMs = 500;

} // namespace

class TrendWindow::View : public QChartView {
  public:
    View(TrendWindow& owner, QChart* chart) : QChartView(chart), m_owner(owner) {}

  protected:
    void wheelEvent(QWheelEvent* e) override {
        const double at = chart()->mapToValue(e->position()).x();
        m_owner.zoom(e->angleDelta().y() > 0 ? ZoomIn : 1 / ZoomIn, qint64(at));
        e->accept();
    }

  private:
    TrendWindow& m_owner;
};

TrendWindow::TrendWindow(const liverecord::Trend& trend, const QString& title, QWidget* parent)
    : QWidget(parent, Qt::Window), m_trend(trend), m_time(new QDateTimeAxis),
      m_values(new QValueAxis), m_choice(new QListWidget) {
    setObjectName(QStringLiteral("frmTrend"));
    setWindowTitle(QStringLiteral("Запись опроса: ") + title);
    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->setAlignment(Qt::AlignBottom);
    m_time->setFormat(QStringLiteral("HH:mm:ss"));
    m_time->setTitleText(QStringLiteral("Время"));
    chart->addAxis(m_time, Qt::AlignBottom);
    chart->addAxis(m_values, Qt::AlignLeft);

    m_first = std::numeric_limits<qint64>::max();
    m_last = std::numeric_limits<qint64>::min();
    m_choice->setObjectName(QStringLiteral("lst_series"));
    m_choice->setAccessibleName(QStringLiteral("Показываемые величины"));
    for (const liverecord::Series& s : trend.series) {
        auto* line = new QLineSeries;
        line->setName(s.name);
        line->replace(s.points);
        chart->addSeries(line);
        line->attachAxis(m_time);
        line->attachAxis(m_values);
        m_series.append(line);
        for (const QPointF& p : s.points) {
            m_first = std::min(m_first, qint64(p.x()));
            m_last = std::max(m_last, qint64(p.x()));
        }
        auto* item = new QListWidgetItem(s.name, m_choice);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(m_series.size() <= ShownAtFirst ? Qt::Checked : Qt::Unchecked);
        line->setVisible(m_series.size() <= ShownAtFirst);
    }
    connect(m_choice, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        setShown(m_choice->row(item), item->checkState() == Qt::Checked);
    });

    m_view = new View(*this, chart);
    m_view->setObjectName(QStringLiteral("chart_trend"));
    m_view->setAccessibleName(QStringLiteral("График записи опроса"));
    m_view->setAccessibleDescription(QStringLiteral(
        "Выбранные величины записи по времени; колесо мыши меняет масштаб времени."));
    m_view->setRenderHint(QPainter::Antialiasing);

    auto* whole = button(QStringLiteral("btn_whole"), QStringLiteral("Весь период"));
    connect(whole, &QPushButton::clicked, this, &TrendWindow::showWhole);
    auto* side = new QVBoxLayout;
    side->addWidget(m_choice, 1);
    side->addWidget(whole);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addLayout(side);
    m_choice->setMaximumWidth(200);
    showWhole();
    resize(1000, 560);
}

QPair<qint64, qint64> TrendWindow::shownRange() const {
    return {m_time->min().toMSecsSinceEpoch(), m_time->max().toMSecsSinceEpoch()};
}

void TrendWindow::zoom(double factor, qint64 aroundMs) {
    const auto [from, to] = shownRange();
    aroundMs = std::clamp(aroundMs, from, to);
    qint64 newFrom = aroundMs - qint64((aroundMs - from) * factor);
    qint64 newTo = aroundMs + qint64((to - aroundMs) * factor);
    if (newTo - newFrom < LeastSpanMs)
        return;
    newFrom = std::max(newFrom, m_first);
    newTo = std::min(newTo, m_last);
    m_time->setRange(QDateTime::fromMSecsSinceEpoch(newFrom),
                     QDateTime::fromMSecsSinceEpoch(newTo));
    fitValues();
}

void TrendWindow::showWhole() {
    const qint64 last = std::max(m_last, m_first + LeastSpanMs);
    m_time->setRange(QDateTime::fromMSecsSinceEpoch(m_first), QDateTime::fromMSecsSinceEpoch(last));
    fitValues();
}

void TrendWindow::setShown(int series, bool shown) {
    if (series < 0 || series >= m_series.size())
        return;
    m_series[series]->setVisible(shown);
    fitValues();
}

// The value axis spans what the shown series hold within the time shown.
void TrendWindow::fitValues() {
    const auto [from, to] = shownRange();
    double lo = std::numeric_limits<double>::max(), hi = std::numeric_limits<double>::lowest();
    for (int i = 0; i < m_series.size(); ++i) {
        if (!m_series[i]->isVisible())
            continue;
        for (const QPointF& p : m_trend.series[i].points)
            if (p.x() >= from && p.x() <= to) {
                lo = std::min(lo, p.y());
                hi = std::max(hi, p.y());
            }
    }
    if (lo > hi)
        lo = 0, hi = 1;
    const double margin = std::max((hi - lo) * 0.05, 0.5);
    m_values->setRange(lo - margin, hi + margin);
}

} // namespace kliv
