#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>

namespace kliv {

class Engine;

// Keeps the port lists up to date with the hardware: an adapter plugged in or pulled out
// shows when a list is opened, and every few seconds while no job runs.
class PortWatcher : public QObject {
    Q_OBJECT
  public:
    static constexpr int IntervalMs = 2000;
    using Lister = std::function<QStringList()>;

    PortWatcher(Engine& engine, Lister lister, QObject* parent = nullptr);

    void setKnown(const QStringList& ports) { m_known = ports; }
    void refresh(); // looks now
    void onTick();  // the timer's handler: looks only while the line is idle

  Q_SIGNALS:
    void portsChanged(const QStringList& ports);

  private:
    Engine& m_engine;
    Lister m_lister;
    QStringList m_known;
    QTimer m_timer;
};

} // namespace kliv
