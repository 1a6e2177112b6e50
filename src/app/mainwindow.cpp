#include "app/mainwindow.h"

#include "app/prompt.h"
#include "app/spinedit.h"
#include "config/configpage.h"
#include "config/vtzwindow.h"
#include "diag/diagpage.h"
#include "journal/protocolpage.h"
#include "link/engine.h"
#include "link/messages.h"
#include "search/searchwindow.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabWidget>

namespace kliv {

namespace {

constexpr QSize DesignSize(887, 672);

// Start-up selections of the drop-down lists. Set quietly: at start no list's change
// handler may run (one of them would start the RS485 speed-change job).
struct StartSelection {
    const char* list;
    int index;
};
constexpr StartSelection StartSelections[] = {
    {"cb_speed", 10},   // "115200"
    {"cmb_m", 1},       // "Фаза А"
    {"cb_uprotbus", 0}, // "ZVTBUS"
    {"z_iso_r", 3},     // "500"
    {"p_uf_c", 0},      // "A/B/C"
    {"p_if_c", 0},      // "A/B/C"
    {"cb_rs485", 5},    // "  9600"
};

} // namespace

QString TForm1::title() {
    return QStringLiteral("Диагностика и программирование КЛИВ-1M      v12.9") +
           QString(24, QLatin1Char(' ')) +
           QStringLiteral("сервисная программа реле защиты электродвигателей");
}

TForm1::TForm1(Engine& engine, Prompt& prompt, QWidget* parent)
    : QMainWindow(parent), m_engine(engine), m_prompt(prompt), m_pages(new QTabWidget),
      m_config(new ConfigPage(engine)), m_diagnostics(new DiagnosticsPage(engine, prompt)),
      m_protocol(new ProtocolPage) {
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

    FormCreate();

    m_form2 = new TForm2(this);
    m_form3 = new TForm3(this);

    connect(m_pages, &QTabWidget::currentChanged, this, &TForm1::PageControl1Change);
    connect(m_config->vtzButton(), &QPushButton::clicked, this, &TForm1::Button9Click);
    connect(m_form3, &TForm3::timeChanged, this, [this](int seconds) {
        findChild<SpinEdit*>(QStringLiteral("z_vtz_t"))->setValue(seconds);
    });
    bindEngine();
    linkSearchWindow();

    resize(minimumSizeHint().expandedTo(DesignSize));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TForm1::FormCreate() {
    for (const StartSelection& s : StartSelections) {
        auto* list = findChild<QComboBox*>(QLatin1String(s.list));
        Q_ASSERT(list);
        const QSignalBlocker quiet(list);
        list->setCurrentIndex(s.index);
    }
    m_protocol->writeHeaders();
    m_pages->setCurrentIndex(1);
}

void TForm1::setPorts(const QStringList& ports) {
    m_diagnostics->setPorts(ports);
    m_form2->setPorts(ports);
}

void TForm1::PageControl1Change() {
    m_engine.endPoll();
}

void TForm1::closeEvent(QCloseEvent* e) {
    m_engine.comclose();
    QMainWindow::closeEvent(e);
}

void TForm1::Button9Click() {
    m_form3->load(findChild<QLineEdit*>(QStringLiteral("z_inom_a"))->text(),
                  findChild<SpinEdit*>(QStringLiteral("z_vtz_t"))->value());
    m_form3->exec();
}

// The search window mirrors the serial number and the port of the main window; the
// mirrored selection is made quietly, as a programmatic selection runs no handler.
void TForm1::linkSearchWindow() {
    auto* serial = findChild<SpinEdit*>(QStringLiteral("frm1_zn"));
    auto* ports = m_diagnostics->findChild<QComboBox*>(QStringLiteral("cmbPorts"));
    auto* serial2 = m_form2->findChild<SpinEdit*>(QStringLiteral("frm2_zn"));
    auto* ports2 = m_form2->findChild<QComboBox*>(QStringLiteral("cmbPorts"));
    connect(serial, &QSpinBox::valueChanged, serial2, &QSpinBox::setValue);
    connect(ports, &QComboBox::currentIndexChanged, ports2, [ports2](int index) {
        const QSignalBlocker quiet(ports2);
        ports2->setCurrentIndex(index);
    });
}

void TForm1::bindEngine() {
    connect(&m_engine, &Engine::noReply, this, [this] { m_prompt.show(msg::noReply()); });
    connect(&m_engine, &Engine::portOpenFailed, this, [this](OpenError, const QString& detail) {
        m_prompt.show(msg::portOpenFailed(), detail);
    });
    connect(&m_engine, &Engine::deviceLost, this,
            [this](const QString& detail) { m_prompt.show(msg::deviceLost(), detail); });
}

} // namespace kliv
