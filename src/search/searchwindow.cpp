#include "search/searchwindow.h"

#include "link/engine.h"
#include "link/jobs/searchjob.h"
#include "model/line.h"
#include "protocol/speeds.h"
#include "texts/messages.h"
#include "widgets/connectionbar.h"
#include "widgets/fields.h"
#include "widgets/prompt.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace kliv {

namespace {

const QString StartCaption = QStringLiteral("Начать поиск");
const QString StopCaption = QStringLiteral("Остановить поиск");

} // namespace

SearchDialog::SearchDialog(Engine& engine, model::Line& line, Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_engine(engine), m_line(line), m_prompt(prompt),
      m_bar(new ConnectionBar(line, ConnectionBar::Extent::SerialAndPort, QStringLiteral("frm2_zn"),
                              QStringLiteral("COM-порт"))),
      m_start(button(QStringLiteral("Button1"), StartCaption)),
      m_progress(progressBar(QStringLiteral("pb_search"), SearchJob::ProgressSteps,
                             QStringLiteral("Поиск устройства"))),
      m_status(new QLabel(QStringLiteral("Процесс..."))) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("   Поиск устройства"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);

    // Wide enough for its other caption, "Остановить поиск", so the dialog never jumps.
    m_start->setMinimumWidth(m_start->fontMetrics().horizontalAdvance(StopCaption) + 32);
    m_status->setObjectName(QStringLiteral("lser"));
    m_status->setMinimumWidth(
        m_status->fontMetrics().horizontalAdvance(msg::searchFoundAt(speeds::Count - 1)) + 8);

    m_bar->grid()->setColumnStretch(2, 1); // the port's caption takes the dialog's width
    auto* v = new QVBoxLayout(this);
    v->setSizeConstraint(QLayout::SetFixedSize);
    v->addWidget(m_bar);
    v->addWidget(m_start, 0, Qt::AlignHCenter);
    v->addWidget(m_progress);
    v->addWidget(m_status);

    connect(m_start, &QPushButton::clicked, this, &SearchDialog::toggleSearch);
}

void SearchDialog::done(int result) {
    if (searching())
        m_job->stop();
    QDialog::done(result);
}

bool SearchDialog::searching() const {
    return m_job && m_job->running();
}

void SearchDialog::toggleSearch() {
    if (searching())
        m_job->stop();
    else
        startSearch();
}

// The caption turns before the engine starts the job, so a port that does not open,
// which ends the job at once, leaves the button reading "Начать поиск" again.
void SearchDialog::startSearch() {
    if (!m_line.portListed()) {
        m_prompt.show(msg::noPortFound());
        return;
    }
    auto* job = new SearchJob;
    connect(job, &SearchJob::progressChanged, m_progress, &QProgressBar::setValue);
    connect(job, &SearchJob::probing, m_status, [this](int speedIndex, int probe) {
        m_status->setText(msg::searchStatus(speedIndex, probe));
    });
    // The search keeps the relay and port it started with, so a found speed stays theirs.
    m_bar->setLineEnabled(false);
    connect(job, &Job::succeeded, this, [this, job] {
        m_bar->setLineEnabled(true);
        showFound(job->speedIndex());
    });
    connect(job, &Job::failed, this, [this] {
        m_bar->setLineEnabled(true);
        m_start->setText(StartCaption);
    });
    m_job = job;
    m_start->setText(StopCaption);
    m_engine.start(job);
}

void SearchDialog::showFound(int speedIndex) {
    m_start->setText(StartCaption);
    m_prompt.show(msg::searchFound());
    m_status->setText(msg::searchFoundAt(speedIndex));
}

} // namespace kliv
