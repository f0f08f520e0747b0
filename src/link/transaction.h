#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class TransactionEngine;

// What a transaction timer does at a tick when the port is closed.
enum class PortClosedPolicy {
    SkipWrite, // keep ticking silently until the owner stops it
    StopTimer, // disable itself
};

// One exchange with the module, owned by its feature: a timer that re-sends PendingCommand on
// every tick while enabled, and the feature's branch of the receive handler.
class Transaction : public QObject {
    Q_OBJECT
public:
    // timerName is one of TransactionEngine::BranchOrder(); it fixes where this branch is offered
    // received characters and becomes the timer's objectName.
    Transaction(TransactionEngine& engine, const QString& timerName, int intervalMs,
                PortClosedPolicy whenPortClosed, bool advancesProgress, QObject* parent = nullptr);
    ~Transaction() override;

    const QString& timerName() const { return m_timerName; }
    int interval() const { return m_intervalMs; }
    void setInterval(int ms);
    PortClosedPolicy whenPortClosed() const { return m_whenPortClosed; }
    bool advancesProgress() const { return m_advancesProgress; }

    // Fast transfers: a transfer that opts in (connect read, dumps, settings changes, table and
    // curve transfers; never a poll whose pace is its interval) sends its next command as soon
    // as the answer that chose it has been handled, while the engine's fast option is on
    // (TransactionEngine::setFastTransfers). "Chose" means the branch set PendingCommand during
    // that receive event, the same command again included; a branch that waits for more
    // characters sets nothing and the timer stays in charge. The timer remains the resend on
    // silence: it is restarted at every send, so a silent module gets the command again one
    // interval after the last send. While earlier sends still owe their answers the next
    // command waits for them (see TransactionEngine), so a late answer is never taken for it.
    void setFastCapable(bool capable) { m_fastCapable = capable; }
    bool fastCapable() const { return m_fastCapable; }

    bool isEnabled() const { return m_enabled; }
    const QTimer& timer() const { return m_timer; }
    void setEnabled(bool enabled);

    // PendingCommand := command, then enable the timer; the first send happens one interval later.
    void start(const QString& command);
    void stop() { setEnabled(false); }

    // The tick (normally driven by the timer; tests may call it directly).
    void tick();

    // The branch of the receive handler, entered only while enabled. chunk is what this receive
    // event read; the engine's ReceiveBuffer still holds what came before it since the last tick.
    virtual void Receive(const QString& chunk);
    // For owners that need no class of their own.
    void setBranch(std::function<void(const QString& chunk)> branch) {
        m_branch = std::move(branch);
    }

    TransactionEngine& engine() const { return m_engine; }

signals:
    void enabledChanged(bool enabled);

private:
    void updateTimer();
    void restartTimer();

    TransactionEngine& m_engine;
    QString m_timerName;
    int m_intervalMs;
    PortClosedPolicy m_whenPortClosed;
    bool m_advancesProgress;
    bool m_enabled = false;
    bool m_fastCapable = false;
    QTimer m_timer;
    std::function<void(const QString&)> m_branch;

    friend class TransactionEngine;
};
