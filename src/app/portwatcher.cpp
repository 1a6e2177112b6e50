#include "app/portwatcher.h"

#include "link/engine.h"

namespace kliv {

PortWatcher::PortWatcher(Engine& engine, Lister lister, QObject* parent)
    : QObject(parent), m_engine(engine), m_lister(std::move(lister)) {
    m_timer.setInterval(IntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &PortWatcher::onTick);
    m_timer.start();
}

void PortWatcher::refresh() {
    const QStringList now = m_lister();
    if (now == m_known)
        return;
    m_known = now;
    Q_EMIT portsChanged(now);
}

void PortWatcher::onTick() {
    if (!m_engine.current())
        refresh();
}

} // namespace kliv
