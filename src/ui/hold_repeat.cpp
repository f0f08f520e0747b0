#include "hold_repeat.h"

#include <QAbstractButton>

HoldRepeat::HoldRepeat(QAbstractButton* button, int periodMs, std::function<bool()> step,
                       std::function<void()> release)
    : QObject(button), m_step(std::move(step)), m_release(std::move(release)) {
    m_timer.setInterval(periodMs);
    connect(button, &QAbstractButton::pressed, this, [this] {
        if (m_step())
            m_timer.start();
    });
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (!m_step())
            m_timer.stop();
    });
    connect(button, &QAbstractButton::released, this, [this] {
        m_timer.stop();
        if (m_release)
            m_release();
    });
}
