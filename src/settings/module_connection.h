#pragma once

#include "port_watcher.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class ConnectRead;
class EComPort;
class JournalSink;
class ModuleSettingsModel;
class TBComPort;
class TransactionEngine;

// The connection to the module without a window: the list of ports (the platform's, then device
// paths given by hand while they exist), ports plugged in and pulled out, connecting (the port
// opened, the connection read started), the module's identification and a port lost on the way.
// The main window is its view: it shows the states, asks the user and keeps the port boxes.
class ModuleConnection : public QObject {
    Q_OBJECT
public:
    enum class State {
        Disconnected,
        Connecting,
        NoAnswer,
        Identified,
        Foreign,
        Unidentified,
        Lost
    };
    Q_ENUM(State)

    ModuleConnection(TBComPort& port, TransactionEngine& engine, ModuleSettingsModel& model,
                     JournalSink& journal, QObject* parent = nullptr);
    ~ModuleConnection() override;

    ConnectRead& read() { return *m_read; }
    State state() const { return m_state; }

    // The platform's serial ports, sorted, followed by the typed paths that exist now. Throws
    // EComPort when the platform cannot list its ports.
    QStringList listPorts();
    // How many entries of the last listPorts() were the platform's own.
    int listedCount() const { return m_listedCount; }
    // A device path given by hand (--port, or typed into the port box): listed while it exists.
    void addTypedPort(const QString& path);

    // Hot-plug: compares the list with `known` about once a second from now on.
    void watchPorts(const QStringList& known, int intervalMs = 1000);
    void stopWatching() { m_watcher.stop(); }

    // Opens the named port (one a module error left open is closed first) and starts the
    // connection read. Returns the port's error; nothing else has changed then.
    std::optional<EComPort> connectTo(const QString& portName);
    // Closes the port; returns whether it is closed now.
    bool closePort();

    // The language-file key that words a lost port's reason (its %1 is the port); empty when the
    // reason is shown as the port gave it.
    static QString LostPortMessageKey(const QString& reason);

signals:
    void stateChanged(ModuleConnection::State state);
    // Hot-plug, already journaled where the journal has a line of its own for it.
    void portArrived(const QString& name);
    void portRemoved(const QString& name);
    void portsChanged();
    void listFailed(const QString& message);
    // The connection read: no answer after 5 s (it goes on), and its three ends.
    void noAnswer();
    void identified(const QString& name);
    void foreignModule(const QString& name);
    void unidentified(const QStringList& readErrors);
    // The open port closed itself (its reason and name are journaled).
    void portLost(const QString& reason, const QString& port);

private:
    void setState(State state);
    void onPortLost(const QString& reason);

    TBComPort& m_port;
    JournalSink& m_journal;
    std::unique_ptr<ConnectRead> m_read;
    PortWatcher m_watcher;
    QStringList m_typedPorts;
    int m_listedCount = 0;
    State m_state = State::Disconnected;
};
