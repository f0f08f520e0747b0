#pragma once

#include "module.h"
#include "pty_posix.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <memory>

namespace sim {

// The simulated module behind a pseudo-terminal: the program opens slavePath() as its serial
// port. Everything that arrives in one read of the master is one arrival for the Module (so a
// batch written in one write is seen as a batch). Runs in the thread's event loop, so it can
// share one loop with the program's port in a test.
class PtyModule : public QObject {
    Q_OBJECT
public:
    explicit PtyModule(QObject* parent = nullptr);
    ~PtyModule() override;

    bool start(QString* error = nullptr);
    bool isRunning() const { return m_pty.master >= 0; }
    QString slavePath() const { return m_pty.slavePath; }
    Module& module() { return m_module; }

    // Pulls the adapter: closes the pseudo-terminal, so the program's open port gets a hang-up
    // and read errors, and the device path disappears.
    void unplug();

signals:
    void received(const QByteArray& bytes);
    void unplugged();

private:
    void onReadable();
    void send(const QByteArray& chunk);

    Module m_module;
    posix::Pty m_pty;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QTimer m_retry; // re-arms the notifier after a transient hang-up of the master
};

} // namespace sim
