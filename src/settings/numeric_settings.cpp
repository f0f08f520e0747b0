#include "numeric_settings.h"

#include "module_settings.h"
#include "settings_map.h"
#include "wire_codec.h"

#include <algorithm>
#include <cmath>

namespace {

// Comparisons of window ends: the ends are decimal numbers held as doubles, so two ends that
// print alike may differ in the last binary digits.
constexpr double kTolerance = 1e-9;

// The encodings; the added 1 makes the module's decoding give the value back.
int OPRToByte(double v) {
    return int(TruncDecimal(v * 200)) + 1;
}
int PTNToByte(double v) {
    return int(TruncDecimal(v * 100));
}
int Porog_TToByte(double v) {
    return int(TruncDecimal(v * 2.5)) + 1;
}
int ZdKToByte(double v) {
    return int(TruncDecimal(v * 2));
}
int VolEngToByte(double v) {
    return int(TruncDecimal(v * 10));
}
int KFuelToByte(double v) {
    return int(TruncDecimal(v));
}

} // namespace

const std::array<NumericSettingRow, NumericSettingCount>& NumericSettingRows() {
    namespace a = settings_map::address;
    using S = NumericSetting;
    static const std::array<NumericSettingRow, NumericSettingCount> rows = {{
        {S::OPR, "OPR", "ssb_OPR_Up", "ssb_OPR_Down", "Chart_OPR", "Edit_OPR", "sgb_OPR", 30, 0.1,
         1.1, 0.05, 0.25, a::OPR, &OPRToByte, "Определение переходных режимов: "},
        {S::PTN, "PTN", "ssb_PTN_Up", "ssb_PTN_Down", "Chart_PTN", "Edit_PTN", "sgb_PTN", 48, 0.5,
         2.5, 0.1, 0.5, a::PTN, &PTNToByte, "Порог тока насоса: "},
        {S::Porog_T, "Porog_T", "ssb_Porog_T_Up", "ssb_Porog_T_Down", "Chart_Porog_T",
         "Ed_Other_Porog_T", "sgb_Porog_T", 29, 0, 102, 1, 5, a::Porog_T, &Porog_TToByte,
         "Порог температуры: "},
        {S::ZdK, "ZdK", "ssb_ZdK_Up", "ssb_ZdK_Down", "Chart_ZdK", "Ed_Other_Zad_Korr", "sgb_ZDK",
         28, 0, 120, 1, 5, a::ZdK, &ZdKToByte, "Задержка включения коррекции: "},
        {S::VolEng, "VolEng", "ssb_VolEng_Up", "ssb_VolEng_Down", "Chart_VolEng", "Ed_Other_VolEng",
         "sgb_VolEng", 32, 1.2, 6.4, 0.1, 0.5, a::VolEng, &VolEngToByte, "Объём двигателя: "},
        {S::KFuel, "KFuel", "ssb_KFuel_Up", "ssb_KFuel_Down", "Chart_KFuel", "Ed_Other_K_Fuel",
         "sgb_KFuel", 31, 1, 250, 1, 5, a::KFuel, &KFuelToByte, "Коэффициент расхода топлива: "},
    }};
    return rows;
}

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
