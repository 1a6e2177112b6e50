#include "model/line.h"

#include "protocol/frame.h"
#include "protocol/speeds.h"

namespace kliv::model {

Line::Line(QObject* parent)
    : QObject(parent), m_serial(frame::SerialDefault), m_speedIndex(speeds::Default) {}

void Line::setPorts(const QStringList& ports) {
    if (ports == m_ports)
        return;
    m_ports = ports;
    const QString before = m_port;
    if (!ports.isEmpty())
        m_port = ports.contains(m_picked) ? m_picked
                 : ports.contains(m_port) ? m_port
                                          : ports.first();
    Q_EMIT portsChanged(m_ports);
    if (m_port != before)
        Q_EMIT portChanged(m_port);
}

void Line::pickPort(const QString& port) {
    if (!m_ports.contains(port))
        return;
    m_picked = port;
    if (port == m_port)
        return;
    m_port = port;
    Q_EMIT portChanged(port);
}

void Line::setSerial(int serial) {
    serial = qBound(frame::SerialMin, serial, frame::SerialMax);
    if (serial == m_serial)
        return;
    m_serial = serial;
    Q_EMIT serialChanged(serial);
}

void Line::setSpeedIndex(int index) {
    if (index < 0 || index >= speeds::Count || index == m_speedIndex)
        return;
    m_speedIndex = index;
    Q_EMIT speedIndexChanged(index);
}

void Line::setRetries(int retries) {
    if (retries < 0 || retries == m_retries)
        return;
    m_retries = retries;
    Q_EMIT retriesChanged(retries);
}

} // namespace kliv::model
