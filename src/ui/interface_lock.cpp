#include "interface_lock.h"

#include <QAction>
#include <QWidget>

void InterfaceLock::add(QWidget* control) {
    m_controls.append(control);
    control->setEnabled(!m_locked);
}

void InterfaceLock::add(QAction* item) {
    m_items.append(item);
    item->setEnabled(!m_locked);
}

void InterfaceLock::addUnlockOnly(QWidget* control) {
    m_unlockOnly.append(control);
}

void InterfaceLock::lock() {
    m_locked = true;
    setEnabled(false);
}

void InterfaceLock::unlock() {
    m_locked = false;
    setEnabled(true);
    for (const auto& control : m_unlockOnly) {
        if (control)
            control->setEnabled(true);
    }
}

void InterfaceLock::setEnabled(bool enabled) {
    for (const auto& control : m_controls) {
        if (control)
            control->setEnabled(enabled);
    }
    for (const auto& item : m_items) {
        if (item)
            item->setEnabled(enabled);
    }
}
