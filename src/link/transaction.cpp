#include "transaction.h"

#include "transaction_engine.h"

#include <algorithm>
#include <cmath>

Transaction::Transaction(TransactionEngine& engine, const QString& timerName, int intervalMs,
                         PortClosedPolicy whenPortClosed, bool advancesProgress, QObject* parent)
    : QObject(parent), m_engine(engine), m_timerName(timerName), m_intervalMs(intervalMs),
      m_whenPortClosed(whenPortClosed), m_advancesProgress(advancesProgress) {
    setObjectName(timerName);
    m_timer.setObjectName(timerName);
    // A coarse timer may fire up to 5 % of its interval early or late, which at 50 ms is a
    // jitter of several milliseconds on every step of a transfer.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &Transaction::tick);
    engine.registerTransaction(*this);
}

Transaction::~Transaction() {
    m_engine.unregisterTransaction(*this);
}

void Transaction::setInterval(int ms) {
    m_intervalMs = ms;
    if (m_timer.isActive())
        updateTimer(); // like any timer, a new interval starts a new period
}

void Transaction::setEnabled(bool enabled) {
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (enabled)
        m_engine.transactionEnabled(*this);
    updateTimer();
    emit enabledChanged(enabled);
}

void Transaction::updateTimer() {
    if (m_enabled && m_engine.automaticTicks()) {
        const double scaled = m_intervalMs * m_engine.intervalScale();
        m_timer.start(std::max(1, int(std::lround(scaled))));
    } else {
        m_timer.stop();
    }
}

void Transaction::restartTimer() {
    if (m_timer.isActive())
        m_timer.start();
}

void Transaction::start(const QString& command) {
    m_engine.setPendingCommand(command);
    setEnabled(true);
}

void Transaction::tick() {
    m_engine.tick(*this);
}

void Transaction::Receive(const QString& chunk) {
    if (m_branch)
        m_branch(chunk);
}
