#pragma once

#include "module_port.h"

#include <QStringList>

// A port in memory: tests feed the module's answers and read back what was written.
class MemoryPort : public ModulePort {
    Q_OBJECT
public:
    using ModulePort::ModulePort;

    bool OpenPort() override {
        m_open = true;
        return true;
    }
    bool ClosePort() override {
        m_open = false;
        m_pending.clear();
        return true;
    }
    bool Connected() const override { return m_open; }

    int SendText(const QString& text) override {
        if (!m_open || text.isEmpty())
            return 0;
        if (m_failWrites) {
            ClosePort();
            emit PortLost(QStringLiteral("write failed"));
            return 0;
        }
        writes.append(text);
        return int(text.size());
    }
    int ReceiveText(QString& text, int count) override {
        text = m_pending.left(count);
        m_pending.remove(0, text.size());
        return int(text.size());
    }
    int PendingInputCount() override { return int(m_pending.size()); }

    // Characters arrive from the module; the receive event fires at once.
    void feed(const QString& chunk) {
        m_pending += chunk;
        if (!m_pending.isEmpty())
            emit RxChar(int(m_pending.size()));
    }
    void setFailWrites(bool fail) { m_failWrites = fail; }

    QStringList writes;

private:
    bool m_open = false;
    bool m_failWrites = false;
    QString m_pending;
};
