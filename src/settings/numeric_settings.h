#pragma once

#include <QString>

#include <array>
#include <optional>

struct ModuleSettings;

// The six numeric settings of the settings page: their scales, how a value becomes the byte the
// module keeps, and how the scale window steps while an up or down button is held. Pure.
enum class NumericSetting { OPR, PTN, Porog_T, ZdK, VolEng, KFuel };
inline constexpr int NumericSettingCount = 6;

struct NumericSettingRow {
    NumericSetting setting;
    const char* name;       // "OPR": the ModuleSettings field
    const char* upButton;   // "ssb_OPR_Up"
    const char* downButton; // "ssb_OPR_Down"
    const char* chart;      // "Chart_OPR": the scale window
    const char* valueField; // "Edit_OPR": the value as display text
    const char* group;      // "sgb_OPR": caption = prefix text + value text
    int captionText;        // number of the interface text of the caption prefix (30: Text30)
    double lower;           // the scale stops here...
    double upper;           // ...and here
    double step;
    double halfWidth; // the window is value - halfWidth .. value + halfWidth
    int address;      // EEPROM byte written: its field and decoding are NumericSettingFieldAt
    // The byte a value is written as, before any limit (RawByteOf).
    int (*toByte)(double value);
    const char* defaultCaption; // UTF-8: the group's caption before the first refresh
};

// The page's view of the one settings table (setting_rows.cpp), in the order of NumericSetting.
const std::array<NumericSettingRow, NumericSettingCount>& NumericSettingRows();
const NumericSettingRow& RowOf(NumericSetting setting);
inline int IndexOf(NumericSetting setting) {
    return int(setting);
}

// The setting's value in ModuleSettings.
double ValueOf(const ModuleSettings& settings, NumericSetting setting);
void SetValue(ModuleSettings& settings, NumericSetting setting, double value);

// trunc(x), but a product that is an integer in exact decimal arithmetic and lands a hair below
// it in binary (0.35 * 200 = 69.99999999999999) counts as that integer.
double TruncDecimal(double x);

// The byte a value is written as, before any limit: OPR trunc(v * 200) + 1, PTN v * 100,
// Porog_T trunc(v * 2.5) + 1, ZdK trunc(v * 2), VolEng v * 10, KFuel v. The added 1 makes the
// module's decoding give v back (OPR 0.25 -> 51, Porog_T 10 -> 26).
int RawByteOf(NumericSetting setting, double value);
// RawByteOf limited to 0..255: nothing outside a byte is ever sent (a module holding 255 at
// EEPROM-0A reads as Porog_T 102, whose formula gives 256).
int ByteOf(NumericSetting setting, double value);

// The write command: the byte low nibble first, the address low nibble first, ")".
// OPR 0.45 -> "B5D1)".
QString WriteCommandOf(NumericSetting setting, double value);

// The horizontal axis of a scale window.
struct ScaleWindow {
    double minimum = 0;
    double maximum = 0;
    bool operator==(const ScaleWindow&) const = default;
};

// The window centred on value. Ends are kept at 15 significant digits, as the value's text is.
ScaleWindow WindowAround(NumericSetting setting, double value);
// The value a window shows: minimum + half width, at 15 significant digits.
double ValueOfWindow(NumericSetting setting, const ScaleWindow& window);

enum class StepDirection { Up, Down };

// One tick of a held button: the window moved by one step, or nothing when the scale stops.
// Up stops when the value has reached the upper limit, down when it has reached the lower limit,
// and up also stops before a value whose byte would not fit (Porog_T stops at 101).
std::optional<ScaleWindow> StepWindow(NumericSetting setting, const ScaleWindow& window,
                                      StepDirection direction);

// A number at 15 significant digits, the precision of a value's display text, so that stepping
// by 0.05 does not accumulate binary residue.
double AtDisplayPrecision(double value);
