#pragma once

#include "link/port.h"

#include <QByteArray>

namespace kliv::fuzz {

// A line without a device for the fuzzers: it takes every write and delivers what the
// harness pushes, as one receive notification per push. No Q_OBJECT: it only emits the
// signals of Port.
class FuzzPort : public Port {
  public:
    bool failNextOpen = false;
    QByteArray lastWritten;

    bool open(const QString&, qint32) override {
        if (failNextOpen) {
            failNextOpen = false;
            m_openError = OpenError::Busy;
            m_errorText = QStringLiteral("busy");
            return false;
        }
        m_open = true;
        m_incoming.clear(); // a re-opened line starts with an empty input queue
        return true;
    }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    void setBaud(qint32) override {}
    bool write(const QByteArray& bytes) override {
        if (!m_open)
            return false;
        lastWritten = bytes;
        return true;
    }
    QByteArray readAll() override {
        QByteArray b;
        b.swap(m_incoming);
        return b;
    }
    // Bytes arriving from the relay; a closed line delivers nothing.
    void push(const QByteArray& bytes) {
        if (!m_open || bytes.isEmpty())
            return;
        m_incoming.append(bytes);
        Q_EMIT readyRead();
    }
    void vanish() {
        if (!m_open)
            return;
        m_open = false;
        Q_EMIT lost(QStringLiteral("gone"));
    }

  private:
    bool m_open = false;
    QByteArray m_incoming;
};

} // namespace kliv::fuzz
