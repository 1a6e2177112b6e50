#include "widgets/connectionbar.h"

#include "link/engine.h"
#include "model/line.h"
#include "protocol/frame.h"
#include "protocol/speeds.h"
#include "texts/speedtexts.h"
#include "widgets/dropdown.h"
#include "widgets/fields.h"
#include "widgets/spinedit.h"

#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>

namespace kliv {

ConnectionBar::ConnectionBar(model::Line& line, Extent extent, const QString& serialName,
                             const QString& portCaption, QWidget* parent)
    : QWidget(parent), m_line(line), m_grid(new QGridLayout(this)),
      m_serial(new SpinEdit(serialName, frame::SerialMin, frame::SerialMax, line.serial())),
      m_ports(kliv::portList(QStringLiteral("cmbPorts"))) {
    m_grid->setContentsMargins(0, 0, 0, 0);
    m_grid->addWidget(caption(QStringLiteral("Зав. №:"), m_serial), 0, 0, Qt::AlignRight);
    m_grid->addWidget(m_serial, 0, 1);
    m_grid->addWidget(caption(portCaption, m_ports), 0, 2, Qt::AlignRight);
    m_grid->addWidget(m_ports, 0, 3);
    if (extent == Extent::WholeLine)
        addSpeedAndRetries();
    showPorts();
    bind();
}

void ConnectionBar::addSpeedAndRetries() {
    m_speed = dropDown(QStringLiteral("cb_speed"), speeds::items());
    m_speed->setCurrentIndex(m_line.speedIndex());
    auto* unit = new QLabel(QStringLiteral("бод/сек"));
    unit->setBuddy(m_speed);
    m_speed->setAccessibleName(QStringLiteral("Скорость, бод/сек"));
    m_retries = new SpinEdit(QStringLiteral("sp_retries"), 0, Engine::MaxRetries, m_line.retries());
    m_retries->setToolTip(QStringLiteral("Сколько раз повторить запрос, оставшийся без ответа"));
    m_grid->addWidget(m_speed, 1, 1);
    m_grid->addWidget(unit, 1, 2);
    m_grid->addWidget(caption(QStringLiteral("Повторы:"), m_retries), 2, 0, Qt::AlignRight);
    m_grid->addWidget(m_retries, 2, 1);
}

void ConnectionBar::setLineEnabled(bool on) {
    m_serial->setEnabled(on);
    m_ports->setEnabled(on);
    if (m_speed)
        m_speed->setEnabled(on);
}

void ConnectionBar::showPorts() {
    const QSignalBlocker quiet(m_ports);
    m_ports->clear();
    m_ports->addItems(m_line.ports());
    m_ports->setCurrentIndex(int(m_line.ports().indexOf(m_line.port())));
}

// The handlers that write to the line live as long as the line does; the ones that show
// it, as long as their control.
void ConnectionBar::bind() {
    model::Line* line = &m_line;
    connect(line, &model::Line::portsChanged, m_ports, [this] { showPorts(); });
    connect(line, &model::Line::portChanged, m_ports, [this](const QString& port) {
        const QSignalBlocker quiet(m_ports);
        m_ports->setCurrentIndex(int(m_line.ports().indexOf(port)));
    });
    connect(line, &model::Line::serialChanged, m_serial, [this](int serial) {
        const QSignalBlocker quiet(m_serial);
        m_serial->setValue(serial);
    });
    connect(m_serial, &QSpinBox::valueChanged, line, &model::Line::setSerial);
    connect(m_ports, &QComboBox::currentIndexChanged, line,
            [line](int index) { line->pickPort(line->ports().value(index)); });
    connect(static_cast<DropDown*>(m_ports), &DropDown::aboutToShowPopup, line,
            &model::Line::requestPorts);
    if (!m_speed)
        return;
    connect(line, &model::Line::speedIndexChanged, m_speed, [this](int index) {
        const QSignalBlocker quiet(m_speed);
        m_speed->setCurrentIndex(index);
    });
    connect(line, &model::Line::retriesChanged, m_retries, [this](int retries) {
        const QSignalBlocker quiet(m_retries);
        m_retries->setValue(retries);
    });
    connect(m_speed, &QComboBox::currentIndexChanged, line, &model::Line::setSpeedIndex);
    connect(m_retries, &QSpinBox::valueChanged, line, &model::Line::setRetries);
}

} // namespace kliv
