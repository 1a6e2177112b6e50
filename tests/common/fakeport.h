#pragma once

#include "link/port.h"

#include <QByteArray>
#include <QList>

namespace kliv::test {

// A line without a device: records what is written, delivers what a test pushes.
// No Q_OBJECT: it only emits the signals of Port.
class FakePort : public Port {
  public:
    QList<QByteArray> written;
    QByteArray incoming;
    qint32 baud = 0;
    int opens = 0;
    bool failNextOpen = false;
    OpenError failWith = OpenError::Busy;

    bool open(const QString&, qint32 b) override {
        if (failNextOpen) {
            failNextOpen = false;
            m_openError = failWith;
            m_errorText = QStringLiteral("fake failure");
            return false;
        }
        m_open = true;
        baud = b;
        ++opens;
        incoming.clear(); // a re-opened line starts with an empty input queue
        return true;
    }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    void setBaud(qint32 b) override { baud = b; }
    bool write(const QByteArray& bytes) override {
        if (!m_open)
            return false;
        written.append(bytes);
        return true;
    }
    QByteArray readAll() override {
        QByteArray b = incoming;
        incoming.clear();
        return b;
    }
    // Bytes arriving from the relay: queued and announced like the real port does.
    void push(const QByteArray& bytes) {
        if (!m_open)
            return;
        incoming.append(bytes);
        Q_EMIT readyRead();
    }
    void vanish() {
        m_open = false;
        Q_EMIT lost(QStringLiteral("gone"));
    }

  private:
    bool m_open = false;
};

} // namespace kliv::test
