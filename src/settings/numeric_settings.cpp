#include "numeric_settings.h"

#include "module_settings.h"
#include "wire_codec.h"

#include <algorithm>
#include <cmath>

namespace {

// Comparisons of window ends: the ends are decimal numbers held as doubles, so two ends that
// print alike may differ in the last binary digits.
constexpr double kTolerance = 1e-9;

} // namespace

const NumericSettingRow& RowOf(NumericSetting setting) {
    return NumericSettingRows()[IndexOf(setting)];
}

double ValueOf(const ModuleSettings& s, NumericSetting setting) {
    return s.*(NumericSettingFieldAt(RowOf(setting).address)->value);
}

void SetValue(ModuleSettings& s, NumericSetting setting, double value) {
    s.*(NumericSettingFieldAt(RowOf(setting).address)->value) = value;
}

double TruncDecimal(double x) {
    const double nearest = std::round(x);
    if (std::abs(x - nearest) < kTolerance * std::max(1.0, std::abs(x)))
        return nearest;
    return std::trunc(x);
}

int RawByteOf(NumericSetting setting, double v) {
    return RowOf(setting).toByte(v);
}

int ByteOf(NumericSetting setting, double value) {
    return std::clamp(RawByteOf(setting, value), 0, 255);
}

QString WriteCommandOf(NumericSetting setting, double value) {
    return wire::WriteEepromCommand(ByteOf(setting, value), RowOf(setting).address);
}

double AtDisplayPrecision(double value) {
    return QString::number(value, 'g', 15).toDouble();
}

ScaleWindow WindowAround(NumericSetting setting, double value) {
    const double half = RowOf(setting).halfWidth;
    return {AtDisplayPrecision(value - half), AtDisplayPrecision(value + half)};
}

double ValueOfWindow(NumericSetting setting, const ScaleWindow& window) {
    return AtDisplayPrecision(window.minimum + RowOf(setting).halfWidth);
}

std::optional<ScaleWindow> StepWindow(NumericSetting setting, const ScaleWindow& window,
                                      StepDirection direction) {
    const NumericSettingRow& row = RowOf(setting);
    ScaleWindow next;
    if (direction == StepDirection::Up) {
        // The value is still below the upper limit: upper + half width > axis maximum.
        if (!(row.upper + row.halfWidth > window.maximum + kTolerance))
            return std::nullopt;
        next = {AtDisplayPrecision(window.minimum + row.step),
                AtDisplayPrecision(window.maximum + row.step)};
        if (RawByteOf(setting, ValueOfWindow(setting, next)) > 255)
            return std::nullopt;
    } else {
        // Stops when lower - half width >= axis minimum.
        if (row.lower - row.halfWidth >= window.minimum - kTolerance)
            return std::nullopt;
        next = {AtDisplayPrecision(window.minimum - row.step),
                AtDisplayPrecision(window.maximum - row.step)};
    }
    return next;
}
