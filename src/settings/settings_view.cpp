#include "settings_view.h"

#include "config_file.h"
#include "decimal_format.h"
#include "languages.h"
#include "module_settings.h"

#include <cmath>

namespace {

constexpr int kCurvePoints = 64;
const QString kCurveLabelIndent(18, QLatin1Char(' '));

// Hundredths, so that 0.12 read as 0.1199999 still matches its button.
long hundredths(double value) {
    return std::lround(value * 100);
}

} // namespace

CurveLabels CurveRowLabels(bool stretched, const DecimalFormat& format) {
    CurveLabels labels;
    labels.rows.reserve(kCurvePoints);
    for (int i = 0; i < kCurvePoints; ++i)
        labels.rows << kCurveLabelIndent + format.format(stretched ? i / 2.0 : double(i));
    labels.chartIncrement = stretched ? 0.5 : 1;
    return labels;
}

QStringList TableRowLabels(bool korrTabMaf) {
    // Fixed texts of the grids, written with a comma whatever the system's separator.
    if (korrTabMaf)
        return {QStringLiteral("0,0"), QStringLiteral("0,6"), QStringLiteral("1,3"),
                QStringLiteral("1,9"), QStringLiteral("2,5"), QStringLiteral("3,2"),
                QStringLiteral("3,8"), QStringLiteral("4,4")};
    return {QStringLiteral("0,1"),  QStringLiteral("3,2"),  QStringLiteral("6,4"),
            QStringLiteral("9,6"),  QStringLiteral("12,8"), QStringLiteral("16,0"),
            QStringLiteral("19,2"), QStringLiteral("22,4")};
}

std::optional<LambdaRate> LambdaRateButton(double value) {
    switch (hundredths(value)) {
    case 12:
        return LambdaRate::V012;
    case 25:
        return LambdaRate::V025;
    case 50:
        return LambdaRate::V050;
    case 75:
        return LambdaRate::V075;
    default:
        return std::nullopt;
    }
}

std::optional<HeatingVoltage> HeatingVoltageButton(double value) {
    switch (hundredths(value)) {
    case 45:
        return HeatingVoltage::V045;
    case 0:
        return HeatingVoltage::V0;
    default:
        return std::nullopt;
    }
}

int FuelFlowFactorOf(const ModuleSettings& s) {
    const auto& d = s.FuelFlowDigits; // "47%" low, high, "57%" low, high
    return 4096 * d[3] + 256 * d[2] + 16 * d[1] + d[0];
}

QString CaptionPrefix(NumericSetting setting, const InterfaceTexts& texts) {
    return texts.text(RowOf(setting).captionText);
}

ScaleView ScaleViewOf(NumericSetting setting, double value, const QString& captionPrefix,
                      const DecimalFormat& format) {
    ScaleView view;
    view.setting = setting;
    view.window = WindowAround(setting, value);
    view.valueText = format.format(value);
    view.caption = captionPrefix + view.valueText;
    return view;
}

SettingsView MakeSettingsView(const ModuleSettings& settings, const ChoiceSelection& page,
                              const InterfaceTexts& texts, const DecimalFormat& format) {
    SettingsView view;
    view.showVvUnits = page.KorrTab.has_value() && !*page.KorrTab;
    if (page.LDiapazone)
        view.curve = CurveRowLabels(*page.LDiapazone, format);
    const bool korrTabMaf = settings_map::Bit(settings.Flags00, 1);
    view.tableRowLabels = TableRowLabels(korrTabMaf);
    view.tableLabelsOnStoredTables = !korrTabMaf;
    for (const NumericSettingRow& row : NumericSettingRows()) {
        ScaleView& scale = view.scales[IndexOf(row.setting)];
        scale = ScaleViewOf(row.setting, ValueOf(settings, row.setting),
                            CaptionPrefix(row.setting, texts), format);
        if (!settings.isKnown(row.address)) {
            scale.known = false;
            scale.valueText.clear();
            scale.caption = CaptionPrefix(row.setting, texts);
        }
    }
    namespace a = settings_map::address;
    if (settings.isKnown(a::LUup)) {
        view.LUup = LambdaRateButton(settings.LUup);
        view.slbl_Lup = format.format(settings.LUup);
    }
    if (settings.isKnown(a::LUdown)) {
        view.LUdown = LambdaRateButton(settings.LUdown);
        view.slbl_Ldown = format.format(settings.LUdown);
    }
    if (settings.isKnown(a::UPL))
        view.UPL = HeatingVoltageButton(settings.UPL);
    view.FuelFlowFactor = FuelFlowFactorOf(settings);
    return view;
}

QString ParameterFlagsAfterRefresh(const QString& sensorPairCode, const ParameterFlagsTable& table,
                                   const QString& current) {
    if (!table.contains(sensorPairCode))
        return current;
    return table.flags(sensorPairCode);
}

void ApplySettingsView(SettingsPageModel& page, const SettingsView& view) {
    for (const ScaleView& scale : view.scales) {
        page.setScale(
            scale.setting,
            ScaleDisplay{scale.known ? std::optional(scale.window) : std::nullopt, scale.caption});
    }
    page.editMain([&](ChoiceSelection& main) {
        if (view.LUup)
            main.LUup = view.LUup;
        if (view.LUdown)
            main.LUdown = view.LUdown;
        if (view.UPL)
            main.UPL = view.UPL;
    });
}
