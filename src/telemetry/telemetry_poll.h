#pragma once

#include "telemetry_fields.h"
#include "transaction.h"

#include <QString>

#include <array>

class ModuleSettingsModel;
class TransactionEngine;

namespace telemetry {

// The live poll on Timer_NeprOpros: each graph tick puts the cycle's first command into
// PendingCommand and re-arms the timer; the answers move the cycle through the three batches to
// "AA&", whose answer ends it. Decoded digits go into the digit slots, which the graph tick turns
// into channel values and the operating-point overlay reads.
//
// The fuel flow factor and fuel counter slots are also filled by the connection read: whenever
// the settings model's copies of those digits change (a read at connect), they are taken over
// here, so the first tick of a recording already uses the module's factor and count.
class TelemetryPoll : public Transaction {
    Q_OBJECT
public:
    static constexpr int IntervalMs = 50; // Ed_Timer_NeprOpros_Interval

    TelemetryPoll(TransactionEngine& engine, ModuleSettingsModel& settings,
                  QObject* parent = nullptr);

    const TelemetryDigits& digits() const { return m_digits; }
    void setDigits(const TelemetryDigits& digits) { m_digits = digits; }

    // FirstPollFlag: 1 from the start of a recording to the poll's first receive event, then 2.
    int FirstPollFlag() const { return m_firstPollFlag; }
    void beginRecording() { m_firstPollFlag = 1; }

    // The graph tick's part: the cycle's first command ("47&" on the first tick of a recording,
    // otherwise "04%14&D4&23%") into PendingCommand…
    void openCycle();
    // …and, after the sample is plotted, the timer's interval set and the timer enabled, which
    // restarts its countdown.
    void rearm();

    void Receive(const QString& chunk) override;

signals:
    // A batch answer of the exact length filled its slots.
    void batchDecoded(const QString& command);

private:
    void takeConnectionDigits();

    ModuleSettingsModel& m_settings;
    TelemetryDigits m_digits;
    int m_firstPollFlag = 0;
    std::array<int, 4> m_seenFlowDigits{};
    std::array<int, 6> m_seenCounterDigits{};
};

// The fuel-used reset on Timer_Get_0 ("обнулить"): writes 0 into registers 0x40, 0x41, 0x42 one
// after the other, each repeated until answered by exactly "!".
class FuelCounterReset : public Transaction {
    Q_OBJECT
public:
    static constexpr int IntervalMs = 100;

    explicit FuelCounterReset(TransactionEngine& engine, QObject* parent = nullptr);

    // atb_Get_0.
    void startReset();

    void Receive(const QString& chunk) override;

signals:
    // After every answer to the last write, acknowledged or not: the fuel used shows "0".
    void fuelUsedShownAsZero();
    // The last write was acknowledged.
    void finished();
};

} // namespace telemetry
