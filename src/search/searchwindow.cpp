#include "search/searchwindow.h"

#include "link/engine.h"
#include "link/jobs/searchjob.h"
#include "protocol/frame.h"
#include "protocol/speeds.h"
#include "texts/messages.h"
#include "widgets/fields.h"
#include "widgets/prompt.h"
#include "widgets/spinedit.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>

namespace kliv {

namespace {

const QString StartCaption = QStringLiteral("Начать поиск");
const QString StopCaption = QStringLiteral("Остановить поиск");

} // namespace

SearchDialog::SearchDialog(Engine& engine, Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_engine(engine), m_prompt(prompt),
      m_serial(new SpinEdit(QStringLiteral("frm2_zn"), frame::SerialMin, frame::SerialMax,
                            frame::SerialMin)),
      m_ports(portList(QStringLiteral("cmbPorts"))),
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

    auto* g = new QGridLayout(this);
    g->setSizeConstraint(QLayout::SetFixedSize);
    g->addWidget(caption(QStringLiteral("Зав. №:"), m_serial), 0, 0);
    g->addWidget(m_serial, 0, 1);
    g->addWidget(caption(QStringLiteral("COM-порт"), m_ports), 0, 2, Qt::AlignRight);
    g->addWidget(m_ports, 0, 3);
    g->addWidget(m_start, 1, 0, 1, 4, Qt::AlignHCenter);
    g->addWidget(m_progress, 2, 0, 1, 4);
    g->addWidget(m_status, 3, 0, 1, 4);
    g->setColumnStretch(2, 1);

    connect(m_start, &QPushButton::clicked, this, &SearchDialog::toggleSearch);
}

void SearchDialog::setPorts(const QStringList& ports) {
    const QString chosen = m_ports->currentText();
    const QSignalBlocker quiet(m_ports);
    m_ports->clear();
    m_ports->addItems(ports);
    m_ports->setCurrentIndex(ports.contains(chosen) ? int(ports.indexOf(chosen))
                             : ports.isEmpty()      ? -1
                                                    : 0);
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
    if (m_ports->currentIndex() < 0) {
        m_prompt.show(msg::noPortFound());
        return;
    }
    Q_EMIT serialSought(m_serial->value());
    auto* job = new SearchJob;
    connect(job, &SearchJob::progressChanged, m_progress, &QProgressBar::setValue);
    connect(job, &SearchJob::probing, m_status, [this](int speedIndex, int probe) {
        m_status->setText(msg::searchStatus(speedIndex, probe));
    });
    // The search keeps the relay and port it started with, so a found speed stays theirs.
    setLineControlsEnabled(false);
    connect(job, &Job::succeeded, this, [this, job] {
        setLineControlsEnabled(true);
        showFound(job->speedIndex());
    });
    connect(job, &Job::failed, this, [this] {
        setLineControlsEnabled(true);
        m_start->setText(StartCaption);
    });
    m_job = job;
    m_start->setText(StopCaption);
    m_engine.start(job);
}

void SearchDialog::setLineControlsEnabled(bool on) {
    m_serial->setEnabled(on);
    m_ports->setEnabled(on);
}

void SearchDialog::showFound(int speedIndex) {
    m_start->setText(StartCaption);
    m_prompt.show(msg::searchFound());
    m_status->setText(msg::searchFoundAt(speedIndex));
}

} // namespace kliv
