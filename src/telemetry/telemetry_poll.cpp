#include "telemetry_poll.h"

#include "module_settings.h"
#include "transaction_engine.h"

#include <algorithm>

namespace telemetry {

TelemetryPoll::TelemetryPoll(TransactionEngine& engine, ModuleSettingsModel& settings,
                             QObject* parent)
    : Transaction(engine, QStringLiteral("Timer_NeprOpros"), IntervalMs,
                  PortClosedPolicy::SkipWrite, false, parent),
      m_settings(settings) {
    // What the settings hold now is the module's latest known factor and count (0 before any
    // read); from here on only changes of those digits are taken over.
    m_seenFlowDigits = settings.settings().FuelFlowDigits;
    m_seenCounterDigits = settings.settings().FuelCounterDigits;
    std::copy(m_seenFlowDigits.begin(), m_seenFlowDigits.end(), m_digits.FuelFlow.begin());
    std::copy(m_seenCounterDigits.begin(), m_seenCounterDigits.end(), m_digits.FuelCounter.begin());
    connect(&settings, &ModuleSettingsModel::settingsChanged, this,
            &TelemetryPoll::takeConnectionDigits);
}

void TelemetryPoll::takeConnectionDigits() {
    const ModuleSettings& s = m_settings.settings();
    // Only a change of the digits themselves counts: a settings change elsewhere must not put
    // an older count back over the one the poll has read since.
    if (s.FuelFlowDigits != m_seenFlowDigits) {
        m_seenFlowDigits = s.FuelFlowDigits;
        std::copy(m_seenFlowDigits.begin(), m_seenFlowDigits.end(), m_digits.FuelFlow.begin());
    }
    if (s.FuelCounterDigits != m_seenCounterDigits) {
        m_seenCounterDigits = s.FuelCounterDigits;
        std::copy(m_seenCounterDigits.begin(), m_seenCounterDigits.end(),
                  m_digits.FuelCounter.begin());
    }
}

void TelemetryPoll::openCycle() {
    engine().setPendingCommand(m_firstPollFlag == 1 ? kFactorCommand : kCycleOpening);
}

void TelemetryPoll::rearm() {
    setInterval(IntervalMs);
    setEnabled(true);
}

void TelemetryPoll::Receive(const QString& chunk) {
    const QString sent = engine().SentCommand();
    const PollCycleStep step =
        StepPollCycle(m_firstPollFlag, sent, engine().answerSoFar(chunk), m_digits);
    engine().setPendingCommand(step.nextCommand);
    if (step.endCycle)
        stop();
    if (step.decoded)
        emit batchDecoded(sent);
}

FuelCounterReset::FuelCounterReset(TransactionEngine& engine, QObject* parent)
    : Transaction(engine, QStringLiteral("Timer_Get_0"), IntervalMs, PortClosedPolicy::SkipWrite,
                  false, parent) {}

void FuelCounterReset::startReset() {
    start(kResetLowByte);
}

void FuelCounterReset::Receive(const QString& chunk) {
    const ResetStep step =
        StepFuelCounterReset(engine().SentCommand(), engine().answerSoFar(chunk));
    if (!step.recognised)
        return;
    if (step.done)
        stop();
    else
        engine().setPendingCommand(step.nextCommand);
    if (step.showZero)
        emit fuelUsedShownAsZero();
    if (step.done)
        emit finished();
}

} // namespace telemetry
