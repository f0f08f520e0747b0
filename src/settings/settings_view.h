#pragma once

#include "numeric_settings.h"
#include "page_selection.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

class DecimalFormat;
class InterfaceTexts;
class ParameterFlagsTable;
struct ModuleSettings;

// What the settings view refresh (Btn_Raschet_Marvek_2Click, run by the identification after a
// successful connection read) shows, computed from ModuleSettings and the page's buttons, so that
// the widgets only copy it. Pure.

// One numeric setting's scale: its chart's window, its value field and its group caption.
struct ScaleView {
    NumericSetting setting = NumericSetting::OPR;
    ScaleWindow window;
    QString valueText; // Edit_OPR, Edit_PTN, ...: the value in the general format
    QString caption;   // sgb_OPR: Text30 + value text, nothing between
    // False when the module's byte is unknown: the value text is empty, the caption the prefix
    // alone and the chart shows no window.
    bool known = true;
    bool operator==(const ScaleView&) const = default;
};

// Column 0 of the emulation curve grid sgrid_Emu and the bottom axis increment of Chart_Bis.
struct CurveLabels {
    QStringList rows; // 64 labels: 18 blanks + i / 2 (stretched range) or i
    double chartIncrement = 1;
    bool operator==(const CurveLabels&) const = default;
};

// The curve labels for the lambda emulator range: ssb_LDiapazone_Yes (stretched) or _No.
CurveLabels CurveRowLabels(bool stretched, const DecimalFormat& format);

struct SettingsView {
    // Step 2: the unit choice srg_VV is shown exactly when atb_KorrTab_VV is pressed.
    bool showVvUnits = false;
    // Step 3: the curve grid's labels, chosen by the LDiapazone buttons; nothing when neither is
    // pressed (the grid keeps its labels).
    std::optional<CurveLabels> curve;
    // Step 4: column 0, rows 1..8 of the injection tables, by Flags00 bit 1 as last decoded. With
    // KorrTab 1 only the visible grid sgrid_Table_3D gets them; with 0 also sgrid_3D_Fuel and
    // sgrid_3D_Water.
    QStringList tableRowLabels;
    bool tableLabelsOnStoredTables = true;
    // Steps 5 and 10, indexed by NumericSetting.
    std::array<ScaleView, NumericSettingCount> scales;
    // Step 6: the engineering step buttons to press (nothing: leave them as they are) and the
    // texts of slbl_Lup and slbl_Ldown.
    std::optional<LambdaRate> LUup;
    std::optional<LambdaRate> LUdown;
    std::optional<HeatingVoltage> UPL;
    QString slbl_Lup;
    QString slbl_Ldown;
    // Step 7.
    int FuelFlowFactor = 0;

    bool operator==(const SettingsView&) const = default;
};

// Row labels of the injection tables for the table correction basis.
QStringList TableRowLabels(bool korrTabMaf);

// The button for a lambda rate, compared at two decimals: 0.12, 0.25, 0.50, 0.75.
std::optional<LambdaRate> LambdaRateButton(double value);
// ssb_UPL_045 for 0.45, ssb_UPL_0 for 0, compared at two decimals.
std::optional<HeatingVoltage> HeatingVoltageButton(double value);

// 4096 x high nibble of "57%" + 256 x its low nibble + 16 x high nibble of "47%" + its low
// nibble, from the digits as read (-1 included).
int FuelFlowFactorOf(const ModuleSettings& settings);

// The scale of a setting centred on value, with caption prefix + value text.
ScaleView ScaleViewOf(NumericSetting setting, double value, const QString& captionPrefix,
                      const DecimalFormat& format);
// The caption prefix of a setting's group: Text30 (OPR), Text48 (PTN), Text29 (Porog_T),
// Text28 (ZdK), Text32 (VolEng), Text31 (KFuel).
QString CaptionPrefix(NumericSetting setting, const InterfaceTexts& texts);

SettingsView MakeSettingsView(const ModuleSettings& settings, const ChoiceSelection& page,
                              const InterfaceTexts& texts, const DecimalFormat& format);

// Step 8: the ParameterFlags after the refresh: the flags Config_A.ini holds for the sensor pair
// code when it is one of the 18, otherwise the current ones.
QString ParameterFlagsAfterRefresh(const QString& sensorPairCode, const ParameterFlagsTable& table,
                                   const QString& current);

// Puts the view's scales and engineering buttons onto the page model (what the refresh changes
// in the model; the rest of the view is for the widgets to copy).
void ApplySettingsView(SettingsPageModel& page, const SettingsView& view);
