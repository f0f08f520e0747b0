#pragma once

#include <QList>
#include <QPointer>

class QAction;
class QWidget;

// The one set of controls that is disabled while no module is identified or while a long
// transfer runs, and enabled together again. The lock has no memory: the last call wins.
class InterfaceLock {
public:
    // A control that locking disables and unlocking enables.
    void add(QWidget* control);
    void add(QAction* item);
    // A control that unlocking enables and locking leaves as it is.
    void addUnlockOnly(QWidget* control);

    void lock();
    void unlock();
    bool isLocked() const { return m_locked; }

private:
    void setEnabled(bool enabled);

    QList<QPointer<QWidget>> m_controls;
    QList<QPointer<QAction>> m_items;
    QList<QPointer<QWidget>> m_unlockOnly;
    bool m_locked = false;
};
