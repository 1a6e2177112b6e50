#include "diag/diagpage.h"

#include "diag/clockpanel.h"
#include "diag/livechart.h"
#include "diag/livevalues.h"
#include "diag/protectionpanel.h"
#include "diag/recordpanel.h"
#include "link/engine.h"
#include "link/jobs/clocksetjob.h"
#include "link/jobs/polljob.h"
#include "link/jobs/protectionresetjob.h"
#include "protocol/status.h"
#include "texts/messages.h"
#include "texts/speedtexts.h"
#include "texts/statustext.h"
#include "widgets/connectionbar.h"
#include "widgets/fields.h"
#include "widgets/prompt.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace kliv {

namespace {

const QString PollIdle = QStringLiteral("Диагностика");
const QString PollRunning = QStringLiteral("Остановить");

const QStringList ViewItems = {QStringLiteral("нет"), QStringLiteral("Фаза А"),
                               QStringLiteral("Фаза А,В"), QStringLiteral("Фаза А,В,С")};
constexpr int StartView = 1;

} // namespace

DiagnosticsPage::DiagnosticsPage(Engine& engine, model::Line& line, Prompt& prompt, QWidget* parent)
    : QWidget(parent), m_engine(engine), m_prompt(prompt) {
    m_clock = new ClockPanel;
    m_values = new LiveValuesPanel;
    m_protection = new ProtectionPanel;
    m_chart = new LiveChart;
    m_chart->setMinimumHeight(260);

    auto* top = new QHBoxLayout;
    top->addWidget(buildConnection(line));
    top->addWidget(m_clock, 1);
    top->addWidget(buildStatistics());

    auto* middle = new QHBoxLayout;
    middle->addWidget(m_values, 5);
    middle->addWidget(m_protection, 6);
    middle->addWidget(buildButtons());

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(8, 8, 8, 8);
    page->addLayout(top);
    page->addLayout(middle);
    page->addWidget(m_chart, 1);
    page->addWidget(buildTotals());

    bindEngine();
}

QWidget* DiagnosticsPage::buildConnection(model::Line& line) {
    auto* box = new QGroupBox;
    box->setAccessibleName(QStringLiteral("Подключение"));
    m_bar = new ConnectionBar(line, ConnectionBar::Extent::WholeLine, QStringLiteral("frm1_zn"),
                              QStringLiteral("Порт:"));
    m_bar->portList()->setMinimumContentsLength(10);
    m_search = button(QStringLiteral("Button6"), QStringLiteral("Поиск устройства"));
    m_bar->grid()->addWidget(m_search, 1, 3);
    (new QVBoxLayout(box))->addWidget(m_bar);
    return box;
}

QWidget* DiagnosticsPage::buildStatistics() {
    auto* box = new QGroupBox(QStringLiteral("Статистика"));
    m_txd = valueLabel(QStringLiteral("st_txd"), QStringLiteral("0"), 64);
    m_rxd = valueLabel(QStringLiteral("st_rxd"), QStringLiteral("0"), 64);
    m_repeats = valueLabel(QStringLiteral("st_rep"), QStringLiteral("0"), 64);
    auto* g = new QGridLayout(box);
    g->addWidget(caption(QStringLiteral("TXD:"), m_txd), 0, 0, Qt::AlignRight);
    g->addWidget(m_txd, 0, 1);
    g->addWidget(caption(QStringLiteral("RXD:"), m_rxd), 1, 0, Qt::AlignRight);
    g->addWidget(m_rxd, 1, 1);
    g->addWidget(caption(QStringLiteral("Повт.:"), m_repeats), 2, 0, Qt::AlignRight);
    g->addWidget(m_repeats, 2, 1);
    return box;
}

QWidget* DiagnosticsPage::buildButtons() {
    auto* box = new QWidget;
    m_diagnos = button(QStringLiteral("diagnos"), m_engine.pollRunning() ? PollRunning : PollIdle);
    m_reset = button(QStringLiteral("btn_monitor"), QStringLiteral("Сброс защиты"));
    m_view = dropDown(QStringLiteral("cmb_m"), ViewItems);
    m_view->setCurrentIndex(StartView);
    for (QPushButton* b : {m_diagnos, m_reset})
        b->setMinimumHeight(32);
    QFont bold = m_diagnos->font();
    bold.setBold(true);
    m_diagnos->setFont(bold);

    auto* v = new QVBoxLayout(box);
    v->setContentsMargins(0, 6, 0, 0);
    v->addWidget(m_diagnos);
    v->addWidget(m_reset);
    v->addStretch(1);
    v->addWidget(caption(QStringLiteral("Просмотр:"), m_view));
    v->addWidget(m_view);
    return box;
}

QWidget* DiagnosticsPage::buildTotals() {
    auto* box = new QWidget;
    m_moto = valueLabel(QStringLiteral("st_moto"), QStringLiteral("0"), 110);
    m_wa = valueLabel(QStringLiteral("st_wa"), QStringLiteral("0"), 110);
    auto* h = new QHBoxLayout(box);
    h->setContentsMargins(0, 0, 0, 0);
    h->addWidget(caption(QStringLiteral("Наработка об., (ч:м:с):"), m_moto));
    h->addWidget(m_moto);
    h->addSpacing(24);
    h->addWidget(caption(QStringLiteral("Wа:"), m_wa));
    h->addWidget(m_wa);
    h->addWidget(new QLabel(QStringLiteral("кВтч")));
    h->addStretch(1);
    m_record = new RecordPanel(m_engine, m_prompt);
    h->addWidget(m_record);
    return box;
}

void DiagnosticsPage::bindEngine() {
    Engine* e = &m_engine;
    connect(m_diagnos, &QPushButton::clicked, this, &DiagnosticsPage::togglePoll);
    connect(e, &Engine::jobStarted, m_diagnos, [this](Job* job) {
        m_diagnos->setText(job->openEnded() ? PollRunning : PollIdle);
        // A job keeps the relay and the line it started with; the poll ends on a change.
        setLineControlsEnabled(job->openEnded());
    });
    connect(e, &Engine::jobEnded, m_diagnos, [this] {
        m_diagnos->setText(PollIdle);
        setLineControlsEnabled(true);
    });
    connect(e, &Engine::framesSentChanged, m_txd,
            [this](int n) { m_txd->setText(QString::number(n)); });
    connect(e, &Engine::framesReceivedChanged, m_rxd,
            [this](int n) { m_rxd->setText(QString::number(n)); });
    connect(e, &Engine::repeatsChanged, m_repeats,
            [this](int n) { m_repeats->setText(QString::number(n)); });
    connect(m_view, &QComboBox::currentIndexChanged, this, [this](int view) {
        if (m_poll)
            m_poll->setView(view);
    });

    connect(m_reset, &QPushButton::clicked, this, &DiagnosticsPage::resetProtection);
    connect(m_clock, &ClockPanel::correctRequested, this, &DiagnosticsPage::correctClock);
    connect(m_search, &QPushButton::clicked, this, &DiagnosticsPage::searchRequested);
}

void DiagnosticsPage::togglePoll() {
    if (m_engine.pollRunning()) {
        m_engine.stopPoll();
        return;
    }
    auto* poll = new PollJob(m_view->currentIndex());
    connect(poll, &PollJob::liveStatus, this, &DiagnosticsPage::showLiveStatus);
    connect(poll, &PollJob::waveformReady, this, &DiagnosticsPage::showWaveform);
    connect(poll, &PollJob::liveStatus, m_record, &RecordPanel::takeLive);
    connect(poll, &PollJob::waveformReady, m_record, &RecordPanel::takeWaveform);
    m_poll = poll;
    m_engine.start(poll);
}

void DiagnosticsPage::setLineControlsEnabled(bool on) {
    m_bar->setLineEnabled(on);
    m_search->setEnabled(on);
}

void DiagnosticsPage::resetProtection() {
    auto* job = new ProtectionResetJob;
    connect(job, &Job::succeeded, this, [this] { m_prompt.show(msg::protectionReset()); });
    m_engine.start(job);
}

void DiagnosticsPage::correctClock() {
    auto* job = new ClockSetJob(m_clock->calibration(), m_clock->stop(), m_clock->autoDst());
    connect(job, &Job::succeeded, this, [this] { m_prompt.show(msg::clockSet()); });
    m_engine.start(job);
}

void DiagnosticsPage::showLiveStatus(const LiveStatus& record) {
    const LiveStatusTexts t = status::texts(record, NumberLocale::system());
    m_values->showTexts(t);
    m_protection->showStatus(record, t);
    m_clock->showClock(record.clock);
    m_moto->setText(t.running);
    m_wa->setText(t.energy);
}

void DiagnosticsPage::showWaveform(const WaveformStore& samples) {
    m_chart->showSamples(samples);
}

} // namespace kliv
