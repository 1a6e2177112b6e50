#include "line/overviewwindow.h"

#include "link/engine.h"
#include "link/jobs/overviewjob.h"
#include "widgets/fields.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kliv {

namespace {

const QColor SilentRow(255, 210, 210);

} // namespace

OverviewWindow::OverviewWindow(Engine& engine, QWidget* parent)
    : QDialog(parent), m_engine(engine), m_table(new QTableWidget),
      m_choose(button(QStringLiteral("btnChoose"), QStringLiteral("Выбрать"))),
      m_status(new QLabel) {
    setObjectName(QStringLiteral("FormOverview"));
    setWindowTitle(QStringLiteral("Обзор"));
    m_table->setObjectName(QStringLiteral("tblOverview"));
    m_table->setAccessibleName(QStringLiteral("Реле на линии"));
    m_table->setColumnCount(int(OverviewRows::headers().size()));
    m_table->setHorizontalHeaderLabels(OverviewRows::headers());
    m_table->verticalHeader()->hide();
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(OverviewRows::Protection,
                                                      QHeaderView::Stretch);
    m_status->setObjectName(QStringLiteral("lblOverview"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_status, 1);
    bottom->addWidget(m_choose);
    layout->addLayout(bottom);
    resize(820, 260);

    m_ageTimer.setInterval(AgeTickMs);
    connect(&m_ageTimer, &QTimer::timeout, this, &OverviewWindow::onAgeTick);
    connect(m_choose, &QPushButton::clicked, this, &OverviewWindow::choose);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, &OverviewWindow::choose);
}

OverviewJob* OverviewWindow::job() const {
    return m_job;
}

void OverviewWindow::start(const QList<int>& serials) {
    m_rows = OverviewRows(serials);
    m_clock.start();
    m_table->setRowCount(int(serials.size()));
    for (int row = 0; row < m_table->rowCount(); ++row)
        showRow(row);
    if (m_table->rowCount() > 0)
        m_table->selectRow(0);

    auto* job = new OverviewJob(serials);
    connect(job, &OverviewJob::answered, this, [this](int serial, const LiveStatus& record) {
        showRow(m_rows.answered(serial, record, nowMs()));
    });
    connect(job, &OverviewJob::silent, this,
            [this](int serial) { showRow(m_rows.silent(serial)); });
    connect(job, &OverviewJob::repeated, this,
            [this](int serial) { showRow(m_rows.repeated(serial)); });
    m_job = job;
    m_ageTimer.start();
    m_engine.start(job);
}

void OverviewWindow::showRow(int row) {
    if (row < 0 || row >= m_table->rowCount())
        return;
    const QStringList cells = m_rows.cells(row, nowMs(), NumberLocale::system());
    const bool silent = m_rows.rows().at(row).silent;
    for (int col = 0; col < cells.size(); ++col) {
        QTableWidgetItem* item = m_table->item(row, col);
        if (!item) {
            item = new QTableWidgetItem;
            item->setTextAlignment(col == OverviewRows::Protection
                                       ? Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter)
                                       : Qt::Alignment(Qt::AlignCenter));
            m_table->setItem(row, col, item);
        }
        item->setText(cells.at(col));
        item->setBackground(silent ? QBrush(SilentRow) : QBrush());
    }
}

void OverviewWindow::onAgeTick() {
    for (int row = 0; row < m_table->rowCount(); ++row)
        showRow(row);
}

void OverviewWindow::choose() {
    const int row = m_table->currentRow();
    if (row < 0 || row >= m_rows.rows().size())
        return;
    const int serial = m_rows.rows().at(row).serial;
    accept();
    Q_EMIT relayChosen(serial);
}

void OverviewWindow::done(int result) {
    m_ageTimer.stop();
    if (m_job && m_job->running())
        m_engine.stopPoll();
    QDialog::done(result);
}

} // namespace kliv
