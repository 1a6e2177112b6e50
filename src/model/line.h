#pragma once

#include <QObject>
#include <QStringList>

namespace kliv::model {

// The line the tool talks on, as every window shows it: the ports there are, the one
// chosen, the relay's serial number, the speed and how many times an unanswered request
// is sent again. A setter that changes nothing signals nothing, so windows that show the
// line and write to it never echo one another.
class Line : public QObject {
    Q_OBJECT
  public:
    explicit Line(QObject* parent = nullptr);

    QStringList ports() const { return m_ports; }
    QString port() const { return m_port; }
    bool portListed() const { return m_ports.contains(m_port); } // false: no port to open
    int serial() const { return m_serial; }
    int speedIndex() const { return m_speedIndex; }
    int retries() const { return m_retries; }

    // The ports there are now. The chosen port stays chosen while it is there; the one the
    // user picked last is chosen again when its adapter comes back; otherwise the first.
    // An empty list leaves the choice alone until a port comes.
    void setPorts(const QStringList& ports);
    // The user's choice among the ports there are; a port not listed changes nothing.
    void pickPort(const QString& port);
    void setSerial(int serial);    // held to the numbers a relay can have
    void setSpeedIndex(int index); // one of the speed list's; any other changes nothing
    void setRetries(int retries);
    // A window is about to show the ports: whoever lists them may look again first.
    void requestPorts() { Q_EMIT portsRequested(); }

  Q_SIGNALS:
    void portsChanged(const QStringList& ports); // the choice among them is made first
    void portChanged(const QString& port);
    void serialChanged(int serial);
    void speedIndexChanged(int index);
    void retriesChanged(int retries);
    void portsRequested();

  private:
    QStringList m_ports;
    QString m_port;
    QString m_picked; // by the user, kept while its adapter is away
    int m_serial;
    int m_speedIndex;
    int m_retries = 0; // bound to the engine, the line takes the engine's
};

} // namespace kliv::model
