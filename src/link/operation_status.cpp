#include "operation_status.h"

void OperationStatus::begin(const Message& name, int total, std::function<void()> cancel) {
    m_name = name;
    m_done = 0;
    m_total = total;
    m_running = true;
    m_cancelRequested = false;
    m_cancel = std::move(cancel);
    emit started(m_name, m_total, bool(m_cancel));
}

void OperationStatus::advance(int done) {
    if (!m_running || done == m_done)
        return;
    m_done = done;
    emit advanced(m_done, m_total);
}

void OperationStatus::end(const Message& outcome, bool ok) {
    if (!m_running)
        return;
    m_running = false;
    m_cancel = nullptr;
    emit ended(outcome, ok);
}

bool OperationStatus::cancel() {
    if (!cancellable() || m_cancelRequested)
        return false;
    m_cancelRequested = true;
    // The handler may end the operation at once (and with it drop itself).
    const std::function<void()> handler = m_cancel;
    handler();
    return true;
}
