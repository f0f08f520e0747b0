#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>
#include <span>

// The live poll's commands, the digit slots its answers fill, and the pure steps of the poll
// cycle and of the fuel counter reset. Nothing here touches a port or a timer.
namespace telemetry {

// The commands of the poll cycle, in the order a graph tick and the answers move through them.
inline const QString kFactorCommand = QStringLiteral("47&");         // FuelFlowFactor word
inline const QString kCycleOpening = QStringLiteral("04%14&D4&23%"); // answer never decoded
inline const QString kFuelBatch = QStringLiteral("23%03&65&");       // TVT, RashTopl, PVK
inline const QString kCounterBatch = QStringLiteral("04%14&96%D6%"); // fuel used, RT, RTT
inline const QString kSensorBatch = QStringLiteral("2A&4A&6A&AA&");  // DP, II, T, U_analog
inline const QString kClosingCommand = QStringLiteral("AA&");        // ends the cycle

// A batch answer is decoded only when it has exactly this many characters: every sub-command's
// field (2 digits for "%", 4 for "&") is followed by one separator character.
inline constexpr int kFuelBatchAnswerLength = 13;
inline constexpr int kCounterBatchAnswerLength = 14;
inline constexpr int kSensorBatchAnswerLength = 20;

// The three register writes that zero the module's fuel-used counter, in order.
inline const QString kResetLowByte = QStringLiteral("0004$");
inline const QString kResetMiddleByte = QStringLiteral("0014$");
inline const QString kResetHighByte = QStringLiteral("0024$");

// One slot per answer character that carries a digit: 0..15, or -1 for anything that is not an
// upper-case hex digit (including a character missing from a short answer). Slots start at 0
// and keep their last values between poll cycles and between recordings.
struct TelemetryDigits {
    std::array<int, 2> TVT{};         // "23%" of the fuel batch, positions 1-2
    std::array<int, 4> RashTopl{};    // "03&", positions 4-7
    std::array<int, 4> PVK{};         // "65&", positions 9-12
    std::array<int, 6> FuelCounter{}; // "04%" positions 1-2, then "14&" positions 4-7
    std::array<int, 2> RT{};          // "96%", positions 9-10 of the counter batch
    std::array<int, 2> RTT{};         // "D6%", positions 12-13
    std::array<int, 4> DP{};          // "2A&", positions 1-4 of the sensor batch
    std::array<int, 4> II{};          // "4A&", positions 6-9
    std::array<int, 4> T{};           // "6A&", positions 11-14
    std::array<int, 4> U_analog{};    // "AA&", positions 16-19
    std::array<int, 4> FuelFlow{};    // answer to "47&", positions 1-4

    bool operator==(const TelemetryDigits&) const = default;
};

// Fills the slots from the answer characters at position (counting from 1), one HexDigit each.
void DecodeDigits(QStringView answer, int position, std::span<int> into);

// d1 + 16·d2 + 256·d3 + … (least significant digit first); nothing when a digit is -1.
std::optional<double> FieldValue(std::span<const int> digits);

// The batch decoders take an answer only at its exact length and then fill every slot of the
// batch; at any other length they change nothing and return false.
bool DecodeFuelBatch(QStringView answer, TelemetryDigits& digits);
bool DecodeCounterBatch(QStringView answer, TelemetryDigits& digits);
bool DecodeSensorBatch(QStringView answer, TelemetryDigits& digits);
// The FuelFlowFactor digits from positions 1-4, whatever the answer's length.
void DecodeFactorAnswer(QStringView answer, TelemetryDigits& digits);

// What the poll does on one receive event: answer is ReceiveBuffer followed by the event's
// characters, firstPollFlag is 1 on the first event after a recording started and 2 after it.
struct PollCycleStep {
    QString nextCommand;   // the new PendingCommand
    bool endCycle = false; // Timer_NeprOpros is disabled (the answer to "AA&" arrived)
    bool decoded = false;  // a batch answer of the exact length filled its slots
};
PollCycleStep StepPollCycle(int& firstPollFlag, QStringView sentCommand, QStringView answer,
                            TelemetryDigits& digits);

// One receive event of the fuel counter reset: an exact "!" moves to the next byte, anything
// else repeats the command. Each answer to the last write shows the fuel used as "0".
struct ResetStep {
    bool recognised = false; // SentCommand is one of the three writes
    QString nextCommand;     // empty when the reset is done
    bool done = false;       // Timer_Get_0 is disabled
    bool showZero = false;
};
ResetStep StepFuelCounterReset(QStringView sentCommand, QStringView answer);

} // namespace telemetry
