#include "diag/trendwindow.h"

#include "files/trendload.h"
#include "texts/trendtexts.h"
#include "widgets/fields.h"

#include <QDateTime>
#include <QDateTimeAxis>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QProgressBar>
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
constexpr int ProgressSteps = 1000;
// The time shown is read again when the points drawn would be fewer than this; the read
// takes that much again on either side, so that the next zoom steps need none.
constexpr qint64 FewestSpans = 500;
constexpr int RestMs = 300;

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

TrendWindow::TrendWindow(const QString& path, const QString& title, QWidget* parent)
    : QWidget(parent, Qt::Window), m_path(path), m_time(new QDateTimeAxis),
      m_values(new QValueAxis), m_filter(textEdit(QStringLiteral("flt_series"), {})),
      m_choice(new QListWidget),
      m_wholeButton(button(QStringLiteral("btn_whole"), QStringLiteral("Весь период"))),
      m_cancel(button(QStringLiteral("btn_cancel"), QStringLiteral("Отмена"))),
      m_progress(
          progressBar(QStringLiteral("pb_trend"), ProgressSteps, QStringLiteral("Чтение записи"))),
      m_status(new QLabel) {
    setObjectName(QStringLiteral("frmTrend"));
    setWindowTitle(QStringLiteral("Запись опроса: ") + title);
    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->setAlignment(Qt::AlignBottom);
    m_time->setFormat(QStringLiteral("HH:mm:ss"));
    m_time->setTitleText(QStringLiteral("Время"));
    // The axes join the chart with its first line: laid out without one, they stay blank.
    m_time->setParent(chart);
    m_values->setParent(chart);

    m_filter->setPlaceholderText(QStringLiteral("Найти величину"));
    m_filter->setAccessibleName(QStringLiteral("Найти величину"));
    m_filter->setClearButtonEnabled(true);
    connect(m_filter, &QLineEdit::textChanged, this, &TrendWindow::filterColumns);
    m_choice->setObjectName(QStringLiteral("lst_series"));
    m_choice->setAccessibleName(QStringLiteral("Показываемые величины"));
    m_choice->setUniformItemSizes(true);
    connect(m_choice, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        setShown(m_choice->row(item), item->checkState() == Qt::Checked);
    });

    m_view = new View(*this, chart);
    m_view->setObjectName(QStringLiteral("chart_trend"));
    m_view->setAccessibleName(QStringLiteral("График записи опроса"));
    m_view->setAccessibleDescription(QStringLiteral(
        "Выбранные величины записи по времени; колесо мыши меняет масштаб времени."));
    m_view->setRenderHint(QPainter::Antialiasing);
    m_status->setObjectName(QStringLiteral("lbl_trend"));
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    connect(m_wholeButton, &QPushButton::clicked, this, &TrendWindow::showWhole);
    connect(m_cancel, &QPushButton::clicked, this, &TrendWindow::cancel);
    m_rest.setSingleShot(true);
    m_rest.setInterval(RestMs);
    connect(&m_rest, &QTimer::timeout, this, &TrendWindow::readDetail);

    auto* side = new QVBoxLayout;
    side->addWidget(m_filter);
    side->addWidget(m_choice, 1);
    side->addWidget(m_wholeButton);
    auto* top = new QHBoxLayout;
    top->addWidget(m_view, 1);
    top->addLayout(side);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_status, 1);
    bottom->addWidget(m_progress);
    bottom->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);
    m_choice->setMaximumWidth(200);
    m_filter->setMaximumWidth(200);
    m_wholeButton->setEnabled(false);
    resize(1000, 560);
    load({});
}

TrendWindow::~TrendWindow() = default;

void TrendWindow::load(const files::TrendRequest& request) {
    m_load.reset(); // a read under way stops first
    m_loadingDetail = request.range.has_value();
    const quint64 serial = ++m_serial;
    m_load = std::make_unique<files::TrendLoad>(m_path, request);
    connect(m_load.get(), &files::TrendLoad::progress, this,
            [this, serial](qint64 done, qint64 total) {
                if (serial == m_serial)
                    showProgress(done, total);
            });
    connect(m_load.get(), &files::TrendLoad::columnsRead, this,
            [this, serial](const QStringList& columns) {
                if (serial == m_serial && !m_loadingDetail)
                    takeColumns(columns);
            });
    connect(m_load.get(), &files::TrendLoad::finished, this,
            [this, serial](const files::Trend& trend) {
                if (serial == m_serial)
                    takeTrend(trend);
            });
    showProgress(0, 1);
    m_progress->show();
    m_cancel->show();
    m_load->start();
}

void TrendWindow::showProgress(qint64 done, qint64 total) {
    m_progress->setValue(int(total > 0 ? done * ProgressSteps / total : 0));
    m_status->setText(msg::trendProgress(done, total));
}

// The header's columns are offered while the rows are still being read.
void TrendWindow::takeColumns(const QStringList& columns) {
    if (!m_shown.isEmpty())
        return;
    m_choice->setUpdatesEnabled(false);
    for (const QString& name : columns) {
        auto* item = new QListWidgetItem(name);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(m_shown.size() < ShownAtFirst ? Qt::Checked : Qt::Unchecked);
        m_shown << (m_shown.size() < ShownAtFirst);
        m_choice->addItem(item);
    }
    m_choice->setUpdatesEnabled(true);
}

void TrendWindow::takeTrend(const files::Trend& trend) {
    const bool detail = m_loadingDetail;
    m_load.reset();
    m_progress->hide();
    m_cancel->hide();
    if (detail) {
        m_status->setText(msg::trendSummary(m_whole));
        if (!trend.cancelled && trend.problem == files::Trend::Problem::None) {
            m_detail = trend;
            m_detailRange = m_askedRange;
            m_detailSerial = m_serial;
            refresh();
        }
        return;
    }
    if (trend.cancelled)
        return;
    if (const QString why = msg::trendProblem(trend); !why.isEmpty()) {
        Q_EMIT unreadable(why);
        close();
        return;
    }
    m_whole = trend;
    takeColumns(trend.columns);
    m_view->chart()->addAxis(m_time, Qt::AlignBottom);
    m_view->chart()->addAxis(m_values, Qt::AlignLeft);
    m_status->setText(msg::trendSummary(trend));
    m_wholeButton->setEnabled(true);
    for (int c = 0; c < m_shown.size(); ++c)
        if (m_shown.at(c))
            setShown(c, true);
    showWhole();
}

void TrendWindow::cancel() {
    if (!m_load)
        return;
    ++m_serial; // what the stopped read has already sent is let pass
    if (!m_loadingDetail) {
        m_load.reset();
        close();
        return;
    }
    m_load.reset();
    m_progress->hide();
    m_cancel->hide();
    m_status->setText(msg::trendSummary(m_whole));
}

void TrendWindow::filterColumns(const QString& text) {
    for (int row = 0; row < m_choice->count(); ++row)
        m_choice->setRowHidden(row,
                               !m_choice->item(row)->text().contains(text, Qt::CaseInsensitive));
}

QList<QPointF> TrendWindow::drawn(int column) const {
    const QLineSeries* line = m_lines.value(column);
    return line ? line->points() : QList<QPointF>{};
}

QPair<qint64, qint64> TrendWindow::shownRange() const {
    return {m_time->min().toMSecsSinceEpoch(), m_time->max().toMSecsSinceEpoch()};
}

void TrendWindow::zoom(double factor, qint64 aroundMs) {
    if (m_whole.rows == 0)
        return;
    const auto [from, to] = shownRange();
    aroundMs = std::clamp(aroundMs, from, to);
    qint64 newFrom = aroundMs - qint64((aroundMs - from) * factor);
    qint64 newTo = aroundMs + qint64((to - aroundMs) * factor);
    if (newTo - newFrom < LeastSpanMs)
        return;
    newFrom = std::max(newFrom, m_whole.first);
    newTo = std::min(newTo, m_whole.last);
    m_time->setRange(QDateTime::fromMSecsSinceEpoch(newFrom),
                     QDateTime::fromMSecsSinceEpoch(newTo));
    refresh();
    m_rest.start();
}

void TrendWindow::showWhole() {
    const qint64 last = std::max(m_whole.last, m_whole.first + LeastSpanMs);
    m_time->setRange(QDateTime::fromMSecsSinceEpoch(m_whole.first),
                     QDateTime::fromMSecsSinceEpoch(last));
    refresh();
}

void TrendWindow::setShown(int column, bool shown) {
    if (column < 0 || column >= m_shown.size())
        return;
    m_shown[column] = shown;
    if (m_whole.rows == 0)
        return; // drawn when the read ends
    QLineSeries* line = m_lines.value(column);
    if (!line && shown) {
        // A line is made only for a column once shown: a file of thousands of columns
        // would otherwise make a chart of thousands of lines.
        line = new QLineSeries;
        line->setName(m_whole.columns.at(column));
        m_view->chart()->addSeries(line);
        line->attachAxis(m_time);
        line->attachAxis(m_values);
        m_lines.insert(column, line);
    }
    if (line)
        line->setVisible(shown);
    refresh();
    if (shown)
        m_rest.start();
}

// The detail read holds the time shown and every column shown.
bool TrendWindow::detailShown() const {
    const auto [from, to] = shownRange();
    if (m_detail.rows == 0 || from < m_detailRange.first || to > m_detailRange.second)
        return false;
    for (int c = 0; c < m_shown.size(); ++c)
        if (m_shown.at(c) && !m_detail.decimated.contains(c))
            return false;
    return true;
}

void TrendWindow::refresh() {
    const bool detail = detailShown();
    const quint64 holds = detail ? m_detailSerial : 0;
    for (auto it = m_lines.begin(); it != m_lines.end(); ++it) {
        const int column = it.key();
        if (!m_shown.at(column) || m_lineHolds.value(column, ~quint64(0)) == holds)
            continue;
        const files::Trend& from = detail ? m_detail : m_whole;
        it.value()->replace(from.series.points(int(from.decimated.indexOf(column))));
        m_lineHolds.insert(column, holds);
    }
    fitValues();
}

void TrendWindow::readDetail() {
    if (m_whole.rows == 0 || (m_load && !m_loadingDetail))
        return;
    const auto [from, to] = shownRange();
    const qint64 span = to - from;
    if (span / m_whole.series.width() >= FewestSpans)
        return; // the whole file's points are enough
    if (detailShown() &&
        (span / m_detail.series.width() >= FewestSpans || m_detail.series.width() == 1))
        return;
    files::TrendRequest request;
    for (int c = 0; c < m_shown.size(); ++c)
        if (m_shown.at(c))
            request.columns << c;
    if (request.columns.isEmpty())
        return;
    m_askedRange = {std::max(m_whole.first, from - span), std::min(m_whole.last, to + span)};
    request.range = std::make_pair(m_askedRange.first, m_askedRange.second);
    request.index = m_whole.index;
    load(request);
}

// The value axis spans what the shown lines hold within the time shown.
void TrendWindow::fitValues() {
    const auto [from, to] = shownRange();
    double lo = std::numeric_limits<double>::max(), hi = std::numeric_limits<double>::lowest();
    for (auto it = m_lines.cbegin(); it != m_lines.cend(); ++it) {
        if (!m_shown.at(it.key()))
            continue;
        for (const QPointF& p : it.value()->points())
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
