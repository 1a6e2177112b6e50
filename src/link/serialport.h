#pragma once

#include "link/port.h"

#include <QSerialPort>
#include <QStringList>

namespace kliv {

// Port on QSerialPort: 8N1, DTR off, RTS on, no flow control.
class SerialPort : public Port {
    Q_OBJECT
  public:
    explicit SerialPort(QObject* parent = nullptr);
    ~SerialPort() override;

    bool open(const QString& name, qint32 baud) override;
    void close() override;
    bool isOpen() const override;
    void setBaud(qint32 baud) override;
    bool write(const QByteArray& bytes) override;
    QByteArray readAll() override;

    // The ports that can be opened now: `extra` first (paths given by the user), then
    // the system's serial devices, each by its device name.
    static QStringList openablePorts(const QStringList& extra = {});
    // The given paths and the ports the system lists now, without opening any: opening a
    // port can reset what hangs on it, so a list kept up to date only looks.
    static QStringList presentPorts(const QStringList& extra = {});

  private:
    void onError(QSerialPort::SerialPortError e);
    QSerialPort m_port;
    bool m_configuring = false; // errors of our own settings calls are not a loss
    bool m_lost = false;
};

} // namespace kliv
