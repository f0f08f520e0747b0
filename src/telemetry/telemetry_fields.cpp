#include "telemetry_fields.h"

#include "wire_codec.h"

namespace telemetry {

void DecodeDigits(QStringView answer, int position, std::span<int> into) {
    for (std::size_t i = 0; i < into.size(); ++i) {
        const qsizetype at = position - 1 + qsizetype(i);
        into[i] = at < answer.size() ? wire::HexDigit(answer[at]) : -1;
    }
}

std::optional<double> FieldValue(std::span<const int> digits) {
    double value = 0;
    double weight = 1;
    for (const int d : digits) {
        if (d < 0)
            return std::nullopt;
        value += d * weight;
        weight *= 16;
    }
    return value;
}

bool DecodeFuelBatch(QStringView answer, TelemetryDigits& digits) {
    if (answer.size() != kFuelBatchAnswerLength)
        return false;
    DecodeDigits(answer, 1, digits.TVT);
    DecodeDigits(answer, 4, digits.RashTopl);
    DecodeDigits(answer, 9, digits.PVK);
    return true;
}

bool DecodeCounterBatch(QStringView answer, TelemetryDigits& digits) {
    if (answer.size() != kCounterBatchAnswerLength)
        return false;
    DecodeDigits(answer, 1, std::span<int>(digits.FuelCounter).first(2));
    DecodeDigits(answer, 4, std::span<int>(digits.FuelCounter).last(4));
    DecodeDigits(answer, 9, digits.RT);
    DecodeDigits(answer, 12, digits.RTT);
    return true;
}

bool DecodeSensorBatch(QStringView answer, TelemetryDigits& digits) {
    if (answer.size() != kSensorBatchAnswerLength)
        return false;
    DecodeDigits(answer, 1, digits.DP);
    DecodeDigits(answer, 6, digits.II);
    DecodeDigits(answer, 11, digits.T);
    DecodeDigits(answer, 16, digits.U_analog);
    return true;
}

void DecodeFactorAnswer(QStringView answer, TelemetryDigits& digits) {
    DecodeDigits(answer, 1, digits.FuelFlow);
}

PollCycleStep StepPollCycle(int& firstPollFlag, QStringView sentCommand, QStringView answer,
                            TelemetryDigits& digits) {
    PollCycleStep step;
    // Whatever was sent, the first event of a recording takes the factor digits and asks for
    // "47&" once more; every later event of an unrecognised command opens the fuel batch. That
    // is how the cycle's opening command, whose answer nobody decodes, leads into the batches.
    if (firstPollFlag == 1) {
        DecodeFactorAnswer(answer, digits);
        step.nextCommand = kFactorCommand;
        firstPollFlag = 2;
    } else {
        step.nextCommand = kFuelBatch;
    }
    // Each batch moves the cycle on whether or not its answer had the exact length: a damaged
    // answer costs that batch's values one cycle, never the cycle itself.
    if (sentCommand == kFuelBatch) {
        step.decoded = DecodeFuelBatch(answer, digits);
        step.nextCommand = kCounterBatch;
    }
    if (sentCommand == kCounterBatch) {
        step.decoded = DecodeCounterBatch(answer, digits);
        step.nextCommand = kSensorBatch;
    }
    if (sentCommand == kSensorBatch) {
        step.decoded = DecodeSensorBatch(answer, digits);
        step.nextCommand = kClosingCommand;
    }
    if (sentCommand == kClosingCommand)
        step.endCycle = true;
    return step;
}

ResetStep StepFuelCounterReset(QStringView sentCommand, QStringView answer) {
    ResetStep step;
    const bool acknowledged = answer == u"!";
    if (sentCommand == kResetLowByte) {
        step.recognised = true;
        step.nextCommand = acknowledged ? kResetMiddleByte : kResetLowByte;
    } else if (sentCommand == kResetMiddleByte) {
        step.recognised = true;
        step.nextCommand = acknowledged ? kResetHighByte : kResetMiddleByte;
    } else if (sentCommand == kResetHighByte) {
        step.recognised = true;
        step.done = acknowledged;
        if (!acknowledged)
            step.nextCommand = kResetHighByte;
        step.showZero = true;
    }
    return step;
}

} // namespace telemetry
