#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

class QAbstractButton;

// A button that acts once when pressed, again at a fixed period while held, and once more when
// released; the repetition can be stopped early (a limit was reached).
class HoldRepeat : public QObject {
    Q_OBJECT
public:
    HoldRepeat(QAbstractButton* button, int periodMs, std::function<bool()> step,
               std::function<void()> release = {});

private:
    QTimer m_timer;
    std::function<bool()> m_step; // false: stop repeating
    std::function<void()> m_release;
};
