#include "line/linewindow.h"

#include "batch/batchsaver.h"
#include "line/overviewwindow.h"
#include "link/engine.h"
#include "model/seriallist.h"
#include "protocol/frame.h"
#include "report/templatepath.h"
#include "texts/linetexts.h"
#include "widgets/fields.h"
#include "widgets/prompt.h"
#include "widgets/spinedit.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>

namespace kliv {

namespace {

const QString ScanCaption = QStringLiteral("Искать");
const QString StopCaption = QStringLiteral("Остановить");

} // namespace

LineWindow::LineWindow(Engine& engine, Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_engine(engine), m_prompt(prompt),
      m_templatePath(findTemplate(QCoreApplication::applicationDirPath())),
      m_from(new SpinEdit(QStringLiteral("line_from"), frame::SerialMin, frame::SerialMax,
                          serials::ScanFrom)),
      m_to(new SpinEdit(QStringLiteral("line_to"), frame::SerialMin, frame::SerialMax,
                        serials::ScanTo)),
      m_list(textEdit(QStringLiteral("line_list"), {})),
      m_scan(button(QStringLiteral("btnScan"), ScanCaption)),
      m_progress(progressBar(QStringLiteral("pb_scan"), 1, QStringLiteral("Поиск реле"))),
      m_status(new QLabel), m_relays(new QTableWidget(0, 3)),
      m_overviewButton(button(QStringLiteral("btnOverview"), QStringLiteral("Обзор"))),
      m_saveAll(button(QStringLiteral("btnSaveAll"), QStringLiteral("Сохранить протоколы всех…"))),
      m_overview(new OverviewWindow(engine, this)) {
    setObjectName(QStringLiteral("FormLine"));
    setWindowTitle(msg::LineCaption);
    m_askFolder = [this] {
        return QFileDialog::getExistingDirectory(this, QStringLiteral("Папка для протоколов"),
                                                 QDir::homePath());
    };

    m_list->setPlaceholderText(QStringLiteral("600, 601, 602 — вместо диапазона"));
    m_scan->setMinimumWidth(m_scan->fontMetrics().horizontalAdvance(StopCaption) + 32);
    m_status->setObjectName(QStringLiteral("lblScan"));
    m_relays->setObjectName(QStringLiteral("tblRelays"));
    m_relays->setAccessibleName(QStringLiteral("Найденные реле"));
    m_relays->setHorizontalHeaderLabels(
        {QStringLiteral("Зав. №"), QStringLiteral("Версия"), QStringLiteral("Примечание")});
    m_relays->verticalHeader()->hide();
    m_relays->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_relays->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_relays->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_relays->horizontalHeader()->setStretchLastSection(true);

    auto* g = new QGridLayout(this);
    g->addWidget(caption(QStringLiteral("Зав. № с:"), m_from), 0, 0, Qt::AlignRight);
    g->addWidget(m_from, 0, 1);
    g->addWidget(caption(QStringLiteral("по:"), m_to), 0, 2, Qt::AlignRight);
    g->addWidget(m_to, 0, 3);
    g->addWidget(m_scan, 0, 4);
    g->addWidget(caption(QStringLiteral("Номера:"), m_list), 1, 0, Qt::AlignRight);
    g->addWidget(m_list, 1, 1, 1, 4);
    g->addWidget(m_progress, 2, 0, 1, 5);
    g->addWidget(m_status, 3, 0, 1, 5);
    g->addWidget(m_relays, 4, 0, 1, 5);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_overviewButton);
    buttons->addStretch(1);
    buttons->addWidget(m_saveAll);
    g->addLayout(buttons, 5, 0, 1, 5);
    resize(560, 420);

    connect(m_scan, &QPushButton::clicked, this, &LineWindow::toggle);
    connect(m_overviewButton, &QPushButton::clicked, this, &LineWindow::showOverview);
    connect(m_saveAll, &QPushButton::clicked, this, &LineWindow::saveAll);
    // The overview's relay goes on at the speed it was polled at; this window closes too,
    // as the pages now work with it.
    connect(m_overview, &OverviewWindow::relayChosen, this, [this](int serial) {
        const int speed = m_engine.speedIndex();
        accept();
        Q_EMIT relayChosen(serial, speed);
    });
    setIdle(true);
}

BatchSaver* LineWindow::saver() const {
    return m_saver;
}

QList<int> LineWindow::listed() const {
    QList<int> out;
    for (const LineScanJob::Relay& r : m_found)
        out.append(r.serial);
    return out;
}

bool LineWindow::busy() const {
    return (m_job && m_job->running()) || (m_saver && m_saver->running());
}

// A scan closed with its window ends quietly: nobody is left to tell.
void LineWindow::done(int result) {
    if (m_job && m_job->running()) {
        m_job->setQuiet();
        m_engine.cancel();
    }
    if (m_saver)
        m_saver->stop();
    QDialog::done(result);
}

void LineWindow::toggle() {
    if (m_job && m_job->running())
        m_job->stop();
    else if (m_saver && m_saver->running())
        m_saver->stop();
    else
        startScan();
}

// The list, when given, goes before the range; either is checked before anything is sent.
void LineWindow::startScan() {
    QList<int> serials;
    QString problem;
    if (!m_list->text().trimmed().isEmpty()) {
        const serials::ParsedList list = serials::parseList(m_list->text());
        problem = msg::serialListProblem(list);
        serials = list.serials;
    } else {
        problem = msg::serialRangeProblem(m_from->value(), m_to->value());
        serials = serials::range(m_from->value(), m_to->value());
    }
    if (!problem.isEmpty()) {
        const msg::Report r = msg::refused({problem});
        m_prompt.show(r.message, r.detail);
        return;
    }
    m_found.clear();
    m_damaged.clear();
    showRelays();
    m_progress->setMaximum(int(serials.size()));
    m_progress->setValue(0);
    auto* job = new LineScanJob(serials);
    connect(job, &LineScanJob::progressChanged, this, &LineWindow::showProgress);
    connect(job, &LineScanJob::probesDone, m_status,
            [this] { m_status->setText(msg::scanReadingVersions()); });
    connect(job, &LineScanJob::relaysChanged, this, [this, job] {
        m_found = job->relays();
        m_damaged = job->damaged();
        showRelays();
    });
    connect(job, &Job::succeeded, this, [this] { scanEnded(true); });
    connect(job, &Job::failed, this, [this] { scanEnded(false); });
    m_job = job;
    setIdle(false);
    m_engine.start(job);
}

void LineWindow::showProgress(int probed, int total, int msLeft) {
    m_progress->setValue(probed);
    m_status->setText(msg::scanProgress(probed, total, msLeft));
}

void LineWindow::showRelays() {
    QList<QStringList> rows;
    for (const LineScanJob::Relay& r : m_found)
        rows.append({QString::number(r.serial), msg::versionText(r), msg::strayNote(r)});
    for (const LineScanJob::Damaged& d : m_damaged)
        rows.append({QString::number(d.serial), QStringLiteral("—"), msg::damagedNote(d)});
    m_relays->setRowCount(int(rows.size()));
    for (int row = 0; row < m_relays->rowCount(); ++row)
        for (int col = 0; col < rows.at(row).size(); ++col)
            m_relays->setItem(row, col, new QTableWidgetItem(rows.at(row).at(col)));
}

void LineWindow::scanEnded(bool succeeded) {
    const bool stopped = !m_job || m_job->stopped();
    setIdle(true);
    if (!succeeded)
        return; // the main window has said why
    m_progress->setValue(m_progress->maximum());
    m_status->setText(msg::scanFinished(int(m_found.size()), stopped, int(m_damaged.size())));
    if (m_found.isEmpty() && m_damaged.isEmpty() && !stopped)
        m_prompt.show(msg::scanNothingFound());
}

void LineWindow::showOverview() {
    if (m_found.isEmpty())
        return;
    m_overview->start(listed());
    m_overview->open();
}

// Every report is checked for its template and folder before the first relay is read.
void LineWindow::saveAll() {
    if (m_found.isEmpty())
        return;
    if (m_templatePath.isEmpty() || !QFileInfo::exists(m_templatePath)) {
        m_prompt.show(msg::templateMissing());
        return;
    }
    const QString folder = m_askFolder();
    if (folder.isEmpty())
        return;
    auto* saver =
        new BatchSaver(m_engine, BatchSaver::Kind::Reports, folder, listed(), m_templatePath, this);
    connect(saver, &BatchSaver::relayStarted, this, [this](int serial, int index) {
        m_progress->setValue(index);
        m_status->setText(msg::batchProgress(serial, index, int(m_found.size())));
    });
    connect(saver, &BatchSaver::finished, this, &LineWindow::showSaved);
    m_saver = saver;
    m_progress->setMaximum(int(m_found.size()));
    setIdle(false);
    saver->start();
}

void LineWindow::showSaved() {
    BatchSaver* saver = m_saver;
    setIdle(true);
    QStringList lines;
    int written = 0;
    for (const RelayFile& f : saver->results()) {
        written += f.written() ? 1 : 0;
        lines << msg::batchLine(f.serial, f.path, f.failure ? &*f.failure : nullptr, f.fileError);
    }
    const QList<int>& all = saver->serials();
    for (qsizetype i = saver->results().size(); i < all.size(); ++i)
        lines << msg::batchNotTried(all.at(i));
    m_progress->setValue(m_progress->maximum());
    const Message summary = msg::batchSummary(written, int(all.size()));
    m_status->setText(summary.text);
    saver->deleteLater();
    m_prompt.show(summary, lines.join(u'\n'));
}

void LineWindow::setIdle(bool idle) {
    m_scan->setText(idle ? ScanCaption : StopCaption);
    for (QWidget* w : {static_cast<QWidget*>(m_from), static_cast<QWidget*>(m_to),
                       static_cast<QWidget*>(m_list)})
        w->setEnabled(idle);
    m_overviewButton->setEnabled(idle && !m_found.isEmpty());
    m_saveAll->setEnabled(idle && !m_found.isEmpty());
}

} // namespace kliv
