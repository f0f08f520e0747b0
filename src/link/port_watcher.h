#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>

// Learns of added and removed serial ports by listing them about once a second: the platform has
// no device-change broadcast that reaches a plain program.
class PortWatcher : public QObject {
    Q_OBJECT
public:
    // lister fills the list of ports now present; it may throw EComPort.
    using Lister = std::function<QStringList()>;

    explicit PortWatcher(Lister lister = {}, QObject* parent = nullptr);

    void start(int intervalMs = 1000);
    void stop() { m_timer.stop(); }
    // The list the next poll compares with (set after the caller filled its own list).
    void setKnownPorts(const QStringList& ports) { m_known = ports; }
    const QStringList& knownPorts() const { return m_known; }

    // One comparison with the platform's list; also driven by the timer.
    void poll();

signals:
    void portArrived(const QString& name);
    void portRemoved(const QString& name);
    // After arrivals and removals: the new, sorted list.
    void portsChanged(const QStringList& ports);
    void listFailed(const QString& message);

private:
    Lister m_lister;
    QStringList m_known;
    QTimer m_timer;
};
