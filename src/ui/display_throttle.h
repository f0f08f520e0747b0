#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <map>

// Applies frequent display changes (the traffic panels, the progress bar) at most once per
// interval: a change after a quiet interval shows at once; later ones within the interval are
// gathered, and the latest of each kind shows when it ends. With the fast timing the module
// answers every few milliseconds, and a repaint of the window per answer would cost more than the
// transfer itself.
class DisplayThrottle : public QObject {
    Q_OBJECT
public:
    explicit DisplayThrottle(int intervalMs, QObject* parent = nullptr);

    // The latest change of this kind replaces one still waiting.
    void show(int kind, std::function<void()> apply);
    // Applies what waits now (before the texts are read or reworded).
    void flush();

private:
    std::map<int, std::function<void()>> m_waiting;
    QTimer m_timer;
    QElapsedTimer m_sinceShown;
    int m_intervalMs;
};
