#include "app/mainwindow.h"

#include "app/linebinding.h"
#include "app/portwatcher.h"
#include "app/remembered.h"
#include "app/statusline.h"
#include "config/configpage.h"
#include "config/vtzwindow.h"
#include "diag/diagpage.h"
#include "eventlog/eventlogpage.h"
#include "eventlog/reportsaver.h"
#include "line/linewindow.h"
#include "link/engine.h"
#include "link/serialport.h"
#include "monitor/trafficwindow.h"
#include "search/searchwindow.h"
#include "texts/messages.h"
#include "version.h"
#include "widgets/prompt.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>

namespace kliv {

namespace {

constexpr QSize DesignSize(887, 672);

} // namespace

MainWindow::~MainWindow() {
    m_engine.useSession(nullptr); // the engine may outlive the window's session
}

QString MainWindow::title() {
    return QStringLiteral("Диагностика и программирование КЛИВ-1M      v") + programVersion() +
           QString(24, QLatin1Char(' ')) +
           QStringLiteral("сервисная программа реле защиты электродвигателей");
}

MainWindow::MainWindow(Engine& engine, Prompt& prompt, QWidget* parent)
    : QMainWindow(parent), m_engine(engine), m_prompt(prompt) {
    engine.useSession(&m_session);
    bindLine(m_session.line(), engine); // first: the pages show the line as the engine stands
    m_pages = new QTabWidget;
    m_config = new ConfigPage(engine, prompt);
    m_diagnostics = new DiagnosticsPage(engine, m_session.line(), prompt);
    m_protocol = new EventLogPage(engine, prompt);
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(title());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);

    m_pages->setObjectName(QStringLiteral("PageControl1"));
    m_config->setObjectName(QStringLiteral("TabSheet1"));
    m_diagnostics->setObjectName(QStringLiteral("TabSheet2"));
    m_protocol->setObjectName(QStringLiteral("TabSheet3"));
    m_pages->addTab(m_config, QStringLiteral("Конфигурация"));
    m_pages->addTab(m_diagnostics, QStringLiteral("Диагностика"));
    m_pages->addTab(m_protocol, QStringLiteral("Протокол"));
    setCentralWidget(m_pages);

    m_pages->setCurrentIndex(1); // the window opens on "Диагностика"

    m_form2 = new SearchDialog(engine, m_session.line(), prompt, this);
    m_form3 = new CharacteristicWindow(this);

    // Switching pages ends the poll.
    connect(m_pages, &QTabWidget::currentChanged, &m_engine, &Engine::stopPoll);
    connect(m_config->vtzButton(), &QPushButton::clicked, this, &MainWindow::showCharacteristic);
    connect(m_diagnostics, &DiagnosticsPage::searchRequested, this, &MainWindow::showSearch);
    connect(m_form3, &CharacteristicWindow::timeChanged, m_config, &ConfigPage::setOverloadSeconds);
    connect(&m_engine, &Engine::jobFailed, this, &MainWindow::reportFailure);
    m_report = new ReportSaver(engine, prompt, *m_config, *m_protocol, this);
    connect(m_protocol, &EventLogPage::saveReportRequested, m_report, &ReportSaver::start);
    linkLineWindow();

    m_traffic = new TrafficWindow(engine, prompt, this);
    m_pages->setCornerWidget(buildTools(), Qt::TopRightCorner);
    m_status = new StatusLine(engine);
    statusBar()->addWidget(m_status, 1);

    m_listPorts = [this] { return SerialPort::presentPorts(m_givenPorts); };
    m_watcher = new PortWatcher(
        engine, [this] { return m_listPorts(); }, this);
    connect(m_watcher, &PortWatcher::portsChanged, &m_session.line(), &model::Line::setPorts);
    connect(&m_session.line(), &model::Line::portsRequested, m_watcher, &PortWatcher::refresh);

    resize(minimumSizeHint().expandedTo(DesignSize));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

// Windows beyond the three pages, at the right of the page tabs.
QWidget* MainWindow::buildTools() {
    auto* tools = new QWidget;
    auto* row = new QHBoxLayout(tools);
    row->setContentsMargins(0, 0, 2, 2);
    auto* traffic = new QToolButton;
    traffic->setObjectName(QStringLiteral("btn_traffic"));
    traffic->setText(QStringLiteral("Обмен"));
    traffic->setToolTip(QStringLiteral("Кадры обмена с реле"));
    connect(traffic, &QToolButton::clicked, this, [this] {
        m_traffic->show();
        m_traffic->raise();
        m_traffic->activateWindow();
    });
    row->addWidget(traffic);
    auto* line = new QToolButton;
    line->setObjectName(QStringLiteral("btnLine"));
    line->setText(QStringLiteral("Реле на линии"));
    line->setToolTip(QStringLiteral("Все реле на линии RS-485"));
    connect(line, &QToolButton::clicked, this, &MainWindow::showLine);
    row->addWidget(line);
    return tools;
}

void MainWindow::setPorts(const QStringList& ports, bool firstGiven) {
    m_givenPorts = firstGiven && !ports.isEmpty() ? QStringList{ports.first()} : QStringList();
    m_session.line().setPorts(ports);
    m_watcher->setKnown(ports);
}

void MainWindow::setPortLister(std::function<QStringList()> lister) {
    m_listPorts = std::move(lister);
}

void MainWindow::rememberBetweenRuns() {
    carryOverOldKeys(*rememberedSettings());
    rememberLine(m_session.line(), !m_givenPorts.isEmpty());
    restorePlace();
    m_remembering = true;
}

void MainWindow::restorePlace() {
    const QByteArray g = rememberedSettings()->value(key::Geometry).toByteArray();
    if (g.isEmpty() || !QMainWindow::restoreGeometry(g) || !screen())
        return;
    // The title bar too, as Qt reckons it before the window has a frame.
    const int bar = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
    const QRect frame = geometry().adjusted(0, -bar, 0, 0);
    setGeometry(heldToScreen(frame, screen()->availableGeometry()).adjusted(0, bar, 0, 0));
}

void MainWindow::closeEvent(QCloseEvent* e) {
    m_engine.cancel();
    m_engine.closePort();
    if (m_remembering)
        rememberedSettings()->setValue(key::Geometry, saveGeometry());
    QMainWindow::closeEvent(e);
}

// The search drives this window's line, so the poll gives it way; the dialog is modal,
// so nothing else starts while it searches.
void MainWindow::showSearch() {
    m_engine.stopPoll();
    m_form2->open();
}

void MainWindow::showLine() {
    m_engine.stopPoll();
    m_lineWindow->open();
}

// A relay chosen in the line window becomes the pages' one: its number on "Диагностика"
// (which presets a speed by the number), then the speed the line was polled at.
void MainWindow::linkLineWindow() {
    m_lineWindow = new LineWindow(m_engine, m_prompt, this);
    connect(m_lineWindow, &LineWindow::relayChosen, this, [this](int serial, int speedIndex) {
        m_session.line().setSerial(serial);
        m_session.line().setSpeedIndex(speedIndex);
    });
}

void MainWindow::showCharacteristic() {
    m_form3->load(m_config->nominalCurrentText(), m_config->overloadSeconds());
    m_form3->exec();
}

// Every job that ends without its result says why, in the same words in every window.
void MainWindow::reportFailure(Job*, const Outcome& outcome) {
    const msg::Report r = msg::forFailure(outcome);
    m_prompt.show(r.message, r.detail);
}

} // namespace kliv
