#include "port_watcher.h"

#include "com_port.h"

PortWatcher::PortWatcher(Lister lister, QObject* parent)
    : QObject(parent), m_lister(std::move(lister)) {
    if (!m_lister) {
        m_lister = [] {
            QStringList ports;
            TBComPort::ListSerialPorts(ports);
            return ports;
        };
    }
    connect(&m_timer, &QTimer::timeout, this, &PortWatcher::poll);
}

void PortWatcher::start(int intervalMs) {
    m_timer.start(intervalMs);
}

void PortWatcher::poll() {
    QStringList now;
    try {
        now = m_lister();
    } catch (const EComPort& e) {
        emit listFailed(e.message());
        return;
    }
    now.sort();
    if (now == m_known)
        return;
    const QStringList before = m_known;
    m_known = now;
    for (const QString& name : now) {
        if (!before.contains(name))
            emit portArrived(name);
    }
    for (const QString& name : before) {
        if (!now.contains(name))
            emit portRemoved(name);
    }
    emit portsChanged(now);
}
