#pragma once

#include "numeric_settings.h"
#include "page_selection.h"
#include "settings_context.h"
#include "transaction.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

// A numeric setting changed on its scale: while an up or down button is held, the scale window
// steps every 100 ms (tmr_2012_TabloRight up, tmr_2012_TabloLeft down), the value and the group
// caption follow; on release the value is encoded and written on Timer_Write until the module
// acknowledges. The template page's step buttons (not PTN's) drive the same operations.
//
// The UI calls press() on the button's mouse-down and release() on its mouse-up. The value lives
// in ModuleSettings, the window and the caption in the page model.
class ScaleStepper : public QObject {
    Q_OBJECT
public:
    static constexpr int RepeatIntervalMs = 100;
    static constexpr int WriteIntervalMs = 75;

    explicit ScaleStepper(SettingsContext& context, QObject* parent = nullptr);

    // Mouse-down: loads the setting's scale and starts the repeat timer of the direction. Refused
    // while another transaction runs (the previous write included) or the port is closed.
    StartResult press(NumericSetting setting, StepDirection direction);
    // Mouse-up: stops the repeat, writes the value shown. Refused (and the scale put back as it
    // was at the press) when another transaction has started meanwhile; nothing happens when no
    // button is held.
    StartResult release();

    // One tick of the held button's timer; returns false (and stops the timer) when the scale
    // stops. The timers call it; tests may call it directly.
    bool repeatTick();

    // With automatic repeat off the timers never fire by themselves (tests step with repeatTick).
    void setAutomaticRepeat(bool on) { m_automaticRepeat = on; }

    bool isHolding() const { return m_held.has_value(); }
    std::optional<NumericSetting> heldSetting() const;
    // The last write command sent or being sent, e.g. "B5D1)".
    const QString& writeCommand() const { return m_writeCommand; }

    QTimer& tmr_2012_TabloRight() { return m_right; }
    QTimer& tmr_2012_TabloLeft() { return m_left; }
    Transaction& Timer_Write() { return m_write; }

signals:
    void stepped(NumericSetting setting, double value);
    void writeStarted(NumericSetting setting, const QString& command);
    // The module acknowledged the write.
    void written(NumericSetting setting, const QString& command);

private:
    struct Held {
        NumericSetting setting;
        StepDirection direction;
        double valueBefore;
        ScaleDisplay scaleBefore;
    };

    void receiveWrite(const QString& chunk);
    QTimer& timerOf(StepDirection direction) {
        return direction == StepDirection::Up ? m_right : m_left;
    }

    SettingsContext& m_context;
    QTimer m_right;
    QTimer m_left;
    Transaction m_write;
    std::optional<Held> m_held;
    std::optional<NumericSetting> m_writing;
    QString m_writeCommand;
    bool m_automaticRepeat = true;
};
