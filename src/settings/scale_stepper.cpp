#include "scale_stepper.h"

#include "module_settings.h"
#include "settings_view.h"
#include "transaction_engine.h"

#include <algorithm>
#include <cmath>

ScaleStepper::ScaleStepper(SettingsContext& context, QObject* parent)
    : QObject(parent), m_context(context),
      m_write(context.engine(), QStringLiteral("Timer_Write"), WriteIntervalMs,
              PortClosedPolicy::StopTimer, false, this) {
    m_right.setObjectName(QStringLiteral("tmr_2012_TabloRight"));
    m_left.setObjectName(QStringLiteral("tmr_2012_TabloLeft"));
    connect(&m_right, &QTimer::timeout, this, &ScaleStepper::repeatTick);
    connect(&m_left, &QTimer::timeout, this, &ScaleStepper::repeatTick);
    m_write.setFastCapable(true);
    m_write.setBranch([this](const QString& chunk) { receiveWrite(chunk); });
}

std::optional<NumericSetting> ScaleStepper::heldSetting() const {
    if (!m_held)
        return std::nullopt;
    return m_held->setting;
}

StartResult ScaleStepper::press(NumericSetting setting, StepDirection direction) {
    const NumericSettingRow& row = RowOf(setting);
    const QString operation =
        QLatin1String(direction == StepDirection::Up ? row.upButton : row.downButton);
    if (m_held) // a second button while one is held: the first one's release comes first
        return StartResult::Busy;
    const StartResult check = m_context.checkStart(operation);
    if (check != StartResult::Started)
        return check;

    const double value = ValueOf(m_context.model().settings(), setting);
    ScaleDisplay scale = m_context.page().scale(setting);
    m_held = Held{setting, direction, value, scale};
    if (!scale.window) {
        // A scale never refreshed steps from its value.
        scale.window = WindowAround(setting, value);
        m_context.page().setScale(setting, scale);
    }
    if (m_automaticRepeat) {
        const double scaled = RepeatIntervalMs * m_context.engine().intervalScale();
        timerOf(direction).start(std::max(1, int(std::lround(scaled))));
    }
    return StartResult::Started;
}

bool ScaleStepper::repeatTick() {
    if (!m_held)
        return false;
    const NumericSetting setting = m_held->setting;
    ScaleDisplay scale = m_context.page().scale(setting);
    const ScaleWindow window = scale.window.value_or(
        WindowAround(setting, ValueOf(m_context.model().settings(), setting)));
    const std::optional<ScaleWindow> next = StepWindow(setting, window, m_held->direction);
    if (!next) {
        timerOf(m_held->direction).stop();
        return false;
    }
    const double value = ValueOfWindow(setting, *next);
    m_context.model().edit([&](ModuleSettings& s) { SetValue(s, setting, value); });
    scale.window = *next;
    scale.caption = CaptionPrefix(setting, m_context.texts()) + m_context.format().format(value);
    m_context.page().setScale(setting, scale);
    emit stepped(setting, value);
    return true;
}

StartResult ScaleStepper::release() {
    if (!m_held)
        return StartResult::Invalid;
    const Held held = *m_held;
    m_held.reset();
    m_right.stop();
    m_left.stop();

    const NumericSettingRow& row = RowOf(held.setting);
    const QString operation =
        QLatin1String(held.direction == StepDirection::Up ? row.upButton : row.downButton);
    const StartResult check = m_context.checkStart(operation);
    if (check != StartResult::Started) {
        // What the page shows stays what the module holds.
        m_context.model().edit(
            [&](ModuleSettings& s) { SetValue(s, held.setting, held.valueBefore); });
        m_context.page().setScale(held.setting, held.scaleBefore);
        return check;
    }
    // The value as its display text reads back, like the value field it stands for.
    const double value = AtDisplayPrecision(ValueOf(m_context.model().settings(), held.setting));
    m_writeCommand = WriteCommandOf(held.setting, value);
    m_writing = held.setting;
    emit writeStarted(held.setting, m_writeCommand);
    m_write.start(m_writeCommand);
    return StartResult::Started;
}

void ScaleStepper::receiveWrite(const QString& chunk) {
    TransactionEngine& engine = m_context.engine();
    if (engine.SentCommand() != m_writeCommand)
        return;
    if (engine.answerSoFar(chunk) != QLatin1String("!")) {
        engine.setPendingCommand(m_writeCommand);
        return;
    }
    m_write.stop();
    if (m_writing)
        emit written(*m_writing, m_writeCommand);
}
