#include "diag/diagpage.h"

#include "app/fields.h"
#include "app/prompt.h"
#include "app/spinedit.h"
#include "diag/clockpanel.h"
#include "diag/livechart.h"
#include "diag/livevalues.h"
#include "diag/protectionpanel.h"
#include "diag/valuelabel.h"
#include "link/engine.h"
#include "link/messages.h"
#include "link/speeds.h"
#include "protocol/clock.h"
#include "protocol/frame.h"
#include "protocol/status.h"

#include <QComboBox>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

namespace kliv {

namespace {

const QString PollIdle = QStringLiteral("Диагностика");
const QString PollRunning = QStringLiteral("Остановить");

const QStringList ViewItems = {QStringLiteral("нет"), QStringLiteral("Фаза А"),
                               QStringLiteral("Фаза А,В"), QStringLiteral("Фаза А,В,С")};
constexpr int StartView = 1;

} // namespace

DiagnosticsPage::DiagnosticsPage(Engine& engine, Prompt& prompt, QWidget* parent)
    : QWidget(parent), m_engine(engine), m_prompt(prompt) {
    m_clock = new ClockPanel;
    m_values = new LiveValuesPanel;
    m_protection = new ProtectionPanel;
    m_chart = new LiveChart;
    m_chart->setMinimumHeight(260);

    auto* top = new QHBoxLayout;
    top->addWidget(buildConnection());
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

    // The engine starts from what the page shows.
    m_engine.setSerial(m_serial->value());
    m_engine.Comspeed(m_speed->currentIndex());
    m_engine.setView(m_view->currentIndex());
}

QWidget* DiagnosticsPage::buildConnection() {
    auto* box = new QGroupBox;
    m_serial = new SpinEdit(QStringLiteral("frm1_zn"), frame::SerialMin, frame::SerialMax,
                            frame::SerialDefault);
    m_ports = dropDown(QStringLiteral("cmbPorts"), {});
    m_ports->setMinimumContentsLength(6);
    m_speed = dropDown(QStringLiteral("cb_speed"), speeds::items());
    m_speed->setCurrentIndex(speeds::Default);
    m_search = button(QStringLiteral("Button6"), QStringLiteral("Поиск устройства"));

    auto* g = new QGridLayout(box);
    g->addWidget(diag::captionFor(QStringLiteral("Зав. №:"), m_serial), 0, 0, Qt::AlignRight);
    g->addWidget(m_serial, 0, 1);
    g->addWidget(diag::captionFor(QStringLiteral("Порт:"), m_ports), 0, 2, Qt::AlignRight);
    g->addWidget(m_ports, 0, 3);
    g->addWidget(m_speed, 1, 1);
    auto* unit = new QLabel(QStringLiteral("бод/сек"));
    unit->setBuddy(m_speed);
    m_speed->setAccessibleName(QStringLiteral("бод/сек"));
    g->addWidget(unit, 1, 2);
    g->addWidget(m_search, 1, 3);
    return box;
}

QWidget* DiagnosticsPage::buildStatistics() {
    auto* box = new QGroupBox(QStringLiteral("Статистика"));
    m_txd = diag::valueLabel(QStringLiteral("st_txd"), QStringLiteral("0"), 64);
    m_rxd = diag::valueLabel(QStringLiteral("st_rxd"), QStringLiteral("0"), 64);
    auto* g = new QGridLayout(box);
    g->addWidget(diag::captionFor(QStringLiteral("TXD:"), m_txd), 0, 0, Qt::AlignRight);
    g->addWidget(m_txd, 0, 1);
    g->addWidget(diag::captionFor(QStringLiteral("RXD:"), m_rxd), 1, 0, Qt::AlignRight);
    g->addWidget(m_rxd, 1, 1);
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
    v->addWidget(diag::captionFor(QStringLiteral("Просмотр:"), m_view));
    v->addWidget(m_view);
    return box;
}

QWidget* DiagnosticsPage::buildTotals() {
    auto* box = new QWidget;
    m_moto = diag::valueLabel(QStringLiteral("st_moto"), QStringLiteral("0"), 110);
    m_wa = diag::valueLabel(QStringLiteral("st_wa"), QStringLiteral("0"), 110);
    auto* h = new QHBoxLayout(box);
    h->setContentsMargins(0, 0, 0, 0);
    h->addWidget(diag::captionFor(QStringLiteral("Наработка об., (ч:м:с):"), m_moto));
    h->addWidget(m_moto);
    h->addSpacing(24);
    h->addWidget(diag::captionFor(QStringLiteral("Wа:"), m_wa));
    h->addWidget(m_wa);
    h->addWidget(new QLabel(QStringLiteral("кВтч")));
    h->addStretch(1);
    return box;
}

void DiagnosticsPage::bindEngine() {
    Engine* e = &m_engine;
    connect(m_diagnos, &QPushButton::clicked, e, &Engine::diagnosClick);
    connect(e, &Engine::pollRunningChanged, m_diagnos,
            [this](bool running) { m_diagnos->setText(running ? PollRunning : PollIdle); });
    connect(e, &Engine::framesSentChanged, m_txd,
            [this](int n) { m_txd->setText(QString::number(n)); });
    connect(e, &Engine::framesReceivedChanged, m_rxd,
            [this](int n) { m_rxd->setText(QString::number(n)); });

    // Only a pick by the user runs the change handlers; the engine's own speed preset
    // is shown without running them again.
    connect(m_speed, &QComboBox::currentIndexChanged, this, &DiagnosticsPage::cb_speedChange);
    connect(e, &Engine::speedIndexChanged, m_speed, [this](int i) {
        const QSignalBlocker quiet(m_speed);
        m_speed->setCurrentIndex(i);
    });
    connect(m_ports, &QComboBox::currentIndexChanged, this, &DiagnosticsPage::cmbPortsChange);
    connect(m_serial, &QSpinBox::valueChanged, this, &DiagnosticsPage::frm1_znChange);
    connect(m_view, &QComboBox::currentIndexChanged, e, &Engine::setView);

    connect(e, &Engine::liveStatus, this, &DiagnosticsPage::showLiveStatus);
    connect(e, &Engine::waveformReady, this, &DiagnosticsPage::showWaveform);

    connect(m_reset, &QPushButton::clicked, this, &DiagnosticsPage::btn_monitorClick);
    connect(e, &Engine::protectionResetDone, this,
            [this] { m_prompt.show(msg::protectionReset()); });
    connect(m_clock, &ClockPanel::correctRequested, this, &DiagnosticsPage::Button11Click);
    connect(e, &Engine::clockSetDone, this, [this] { m_prompt.show(msg::clockSet()); });
}

void DiagnosticsPage::cb_speedChange(int index) {
    m_engine.setSpeedIndex(index);
}

void DiagnosticsPage::cmbPortsChange() {
    m_engine.setPortName(m_ports->currentText());
}

void DiagnosticsPage::frm1_znChange(int serial) {
    m_engine.setSerial(serial);
}

void DiagnosticsPage::btn_monitorClick() {
    m_engine.resetProtection();
}

// One reading of the PC clock, so a correction at midnight cannot pair the old day's
// time with the new day's date.
void DiagnosticsPage::Button11Click() {
    m_engine.setClock(clock::setPayload(QDateTime::currentDateTime(), m_clock->calibration(),
                                        m_clock->stop(), m_clock->autoDst()));
}

void DiagnosticsPage::setPorts(const QStringList& ports) {
    {
        const QSignalBlocker quiet(m_ports);
        m_ports->clear();
        m_ports->addItems(ports);
        m_ports->setCurrentIndex(ports.isEmpty() ? -1 : 0);
    }
    if (!ports.isEmpty())
        m_engine.setPortName(m_ports->currentText());
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
