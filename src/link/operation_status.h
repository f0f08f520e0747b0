#pragma once

#include "message.h"

#include <QObject>

#include <functional>

// The long operation the user waits for (a table, curve or EEPROM transfer): its name, how many
// of its items (cells, points, bytes) are done, how it ended, and how it is cancelled. The
// transfers report here; the window shows it beside the progress bar, the command-line tool on
// its error stream.
class OperationStatus : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // A new operation replaces whatever the last one said. cancel, when given, stops it: a read
    // at once with nothing changed, a write after the item in hand, each ending with ended().
    void begin(const Message& name, int total, std::function<void()> cancel = {});
    void advance(int done);
    // How it ended: ok for a complete transfer, false for a failure or a cancel.
    void end(const Message& outcome, bool ok);

    bool running() const { return m_running; }
    bool cancellable() const { return m_running && bool(m_cancel); }
    // Asks the running operation to stop; false when none can be cancelled.
    bool cancel();
    bool cancelRequested() const { return m_cancelRequested; }

    const Message& name() const { return m_name; }
    int done() const { return m_done; }
    int total() const { return m_total; }

signals:
    void started(const Message& name, int total, bool cancellable);
    void advanced(int done, int total);
    void ended(const Message& outcome, bool ok);

private:
    Message m_name;
    int m_done = 0;
    int m_total = 0;
    bool m_running = false;
    bool m_cancelRequested = false;
    std::function<void()> m_cancel;
};
