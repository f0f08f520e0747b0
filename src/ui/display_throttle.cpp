#include "display_throttle.h"

DisplayThrottle::DisplayThrottle(int intervalMs, QObject* parent)
    : QObject(parent), m_intervalMs(intervalMs) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &DisplayThrottle::flush);
}

void DisplayThrottle::show(int kind, std::function<void()> apply) {
    m_waiting[kind] = std::move(apply);
    if (m_timer.isActive())
        return;
    const qint64 since = m_sinceShown.isValid() ? m_sinceShown.elapsed() : m_intervalMs;
    if (since >= m_intervalMs)
        flush();
    else
        m_timer.start(int(m_intervalMs - since));
}

void DisplayThrottle::flush() {
    m_timer.stop();
    auto waiting = std::move(m_waiting);
    m_waiting.clear();
    for (auto& [kind, apply] : waiting)
        apply();
    m_sinceShown.start();
}
