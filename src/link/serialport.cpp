#include "link/serialport.h"

#include <QFileInfo>
#include <QSerialPortInfo>
#include <QTimer>

#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace kliv {

namespace {

// USB adapters hold short replies for their latency timer (16 ms on common FTDI parts)
// unless the driver is asked for low latency; drivers that refuse are left as they are.
void requestLowLatency([[maybe_unused]] QSerialPort& port) {
#ifdef Q_OS_LINUX
    const int fd = int(port.handle());
    serial_struct ss{};
    if (fd >= 0 && ::ioctl(fd, TIOCGSERIAL, &ss) == 0) {
        ss.flags |= ASYNC_LOW_LATENCY;
        ::ioctl(fd, TIOCSSERIAL, &ss);
    }
#endif
}

OpenError classify(QSerialPort::SerialPortError e, [[maybe_unused]] const QString& location) {
    switch (e) {
    case QSerialPort::DeviceNotFoundError:
        return OpenError::NotFound;
    case QSerialPort::PermissionError:
#ifdef Q_OS_UNIX
        // Qt reports a port held by another program and a missing right alike.
        if (::access(QFile::encodeName(location).constData(), R_OK | W_OK) != 0)
            return OpenError::Permission;
#endif
        return OpenError::Busy;
    default:
        return OpenError::Other;
    }
}

} // namespace

SerialPort::SerialPort(QObject* parent) : Port(parent) {
    connect(&m_port, &QSerialPort::readyRead, this, &Port::readyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialPort::onError);
}

SerialPort::~SerialPort() {
    m_port.close();
}

bool SerialPort::open(const QString& name, qint32 baud) {
    m_openError = OpenError::None;
    m_errorText.clear();
    m_configuring = true;
    m_port.setPortName(name);
    m_port.setBaudRate(baud);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        const QString location =
            name.contains(QLatin1Char('/')) ? name : QStringLiteral("/dev/") + name;
        m_openError = classify(m_port.error(), location);
        m_errorText = m_port.errorString();
        m_port.clearError();
        m_configuring = false;
        return false;
    }
    // Not every line has modem control (a pseudo-terminal has none); that is no failure.
    m_port.setDataTerminalReady(false);
    m_port.setRequestToSend(true);
    requestLowLatency(m_port);
    m_port.clear(); // a re-opened line starts with an empty input queue
    m_port.clearError();
    m_configuring = false;
    m_lost = false;
    return true;
}

void SerialPort::close() {
    if (m_port.isOpen())
        m_port.close();
}

bool SerialPort::isOpen() const {
    return m_port.isOpen();
}

void SerialPort::setBaud(qint32 baud) {
    m_configuring = true;
    m_port.setBaudRate(baud);
    m_port.clearError();
    m_configuring = false;
}

bool SerialPort::write(const QByteArray& bytes) {
    if (!m_port.isOpen())
        return false;
    const bool queued = m_port.write(bytes) == bytes.size();
    // write() only queues; push the request out now rather than on the next loop pass.
    m_port.flush();
    return queued;
}

QByteArray SerialPort::readAll() {
    return m_port.readAll();
}

// A vanished device shows up as a storm of read errors while the port stays open, so any
// error outside our own configuration calls, other than a time-out, is the loss of the
// line: close once, report once.
void SerialPort::onError(QSerialPort::SerialPortError e) {
    if (e == QSerialPort::NoError || e == QSerialPort::TimeoutError || m_configuring || m_lost ||
        !m_port.isOpen())
        return;
    m_lost = true;
    const QString detail = m_port.errorString();
    QTimer::singleShot(0, this, [this, detail] {
        m_port.close();
        m_port.clearError();
        Q_EMIT lost(detail);
    });
}

QStringList SerialPort::openablePorts(const QStringList& extra) {
    QStringList names;
    QStringList seen;
    auto consider = [&](const QString& name, bool given) {
        const QString canonical = QFileInfo(name).canonicalFilePath();
        const QString key = canonical.isEmpty() ? name : canonical;
        if (seen.contains(key))
            return;
        // A path the user named is listed even if it cannot be opened yet (a simulator
        // started later); the job that uses it then says why it does not open.
        if (given) {
            names.append(name);
            seen.append(key);
            return;
        }
        QSerialPort probe;
        probe.setPortName(name);
        if (probe.open(QIODevice::ReadWrite)) {
            probe.close();
            names.append(name);
            seen.append(key);
        }
    };
    for (const QString& e : extra)
        consider(e, true);
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
        // Windows users know a port by its name (COM3), not by its device path (\\.\COM3).
        consider(info.portName(), false);
#else
        consider(info.systemLocation(), false);
#endif
    }
    return names;
}

} // namespace kliv
