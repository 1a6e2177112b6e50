#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

namespace kliv {

// Why a port could not be opened; the front ends turn it into words.
enum class OpenError { None, NotFound, Busy, Permission, Other };

// The line as the engine needs it. The real one wraps QSerialPort; tests use a fake.
class Port : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    virtual bool open(const QString& name, qint32 baud) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual void setBaud(qint32 baud) = 0; // applies at once on an open line
    // Queues the bytes and pushes them towards the line at once; never blocks.
    virtual bool write(const QByteArray& bytes) = 0;
    virtual QByteArray readAll() = 0;

    OpenError openError() const { return m_openError; }
    QString errorText() const { return m_errorText; }

  Q_SIGNALS:
    void readyRead(); // on the thread that owns the port (the UI thread)
    // The open line failed for good (an unplugged adapter, a vanished device).
    // Emitted once per loss; the port is already closed when it arrives.
    void lost(const QString& detail);

  protected:
    OpenError m_openError = OpenError::None;
    QString m_errorText;
};

} // namespace kliv
