// The one table of the module's numeric settings: one row per setting with its EEPROM address,
// the connection read's step, the field of ModuleSettings, the decoding and, for the six settings
// of the settings page, the encoding, the page's controls, caption and limits.
// NumericSettingFields() (module_settings.h) and NumericSettingRows() (numeric_settings.h) are
// views of it; the connection read's command order is the module's and stays in settings_map.

#include "module_settings.h"
#include "numeric_settings.h"
#include "settings_map.h"

namespace {

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

struct PageControls {
    NumericSetting setting;
    const char* upButton;
    const char* downButton;
    const char* chart;
    const char* valueField;
    const char* group;
    int captionText;
    double lower;
    double upper;
    double step;
    double halfWidth;
    int (*toByte)(double value);
    const char* defaultCaption;
};

struct SettingRow {
    NumericSettingField field;
    std::optional<PageControls> page; // only the settings page's six scales
};

const std::array<SettingRow, NumericSettingFieldCount>& SettingRows() {
    namespace m = settings_map;
    namespace a = settings_map::address;
    using T = settings_map::ReadTarget;
    using M = ModuleSettings;
    using S = NumericSetting;
    static const std::array<SettingRow, NumericSettingFieldCount> rows = {{
        {{"KFuel", a::KFuel, T::KFuel, &M::KFuel, &m::KFuelFromByte},
         PageControls{S::KFuel, "ssb_KFuel_Up", "ssb_KFuel_Down", "Chart_KFuel", "Ed_Other_K_Fuel",
                      "sgb_KFuel", 31, 1, 250, 1, 5, &KFuelToByte,
                      "Коэффициент расхода топлива: "}},
        {{"PTN", a::PTN, T::PTN, &M::PTN, &m::PTNFromByte},
         PageControls{S::PTN, "ssb_PTN_Up", "ssb_PTN_Down", "Chart_PTN", "Edit_PTN", "sgb_PTN", 48,
                      0.5, 2.5, 0.1, 0.5, &PTNToByte, "Порог тока насоса: "}},
        {{"NumBurn", a::NumBurn, T::NumBurn, &M::NumBurn, &m::NumBurnFromByte}, std::nullopt},
        {{"Porog_T", a::Porog_T, T::Porog_T, &M::Porog_T, &m::Porog_TFromByte},
         PageControls{S::Porog_T, "ssb_Porog_T_Up", "ssb_Porog_T_Down", "Chart_Porog_T",
                      "Ed_Other_Porog_T", "sgb_Porog_T", 29, 0, 102, 1, 5, &Porog_TToByte,
                      "Порог температуры: "}},
        {{"VolEng", a::VolEng, T::VolEng, &M::VolEng, &m::VolEngFromByte},
         PageControls{S::VolEng, "ssb_VolEng_Up", "ssb_VolEng_Down", "Chart_VolEng",
                      "Ed_Other_VolEng", "sgb_VolEng", 32, 1.2, 6.4, 0.1, 0.5, &VolEngToByte,
                      "Объём двигателя: "}},
        {{"ZdK", a::ZdK, T::ZdK, &M::ZdK, &m::ZdKFromByte},
         PageControls{S::ZdK, "ssb_ZdK_Up", "ssb_ZdK_Down", "Chart_ZdK", "Ed_Other_Zad_Korr",
                      "sgb_ZDK", 28, 0, 120, 1, 5, &ZdKToByte, "Задержка включения коррекции: "}},
        {{"UKZ", a::UKZ, T::UKZ, &M::UKZ, &m::UKZFromByte}, std::nullopt},
        {{"OPR", a::OPR, T::OPR, &M::OPR, &m::OPRFromByte},
         PageControls{S::OPR, "ssb_OPR_Up", "ssb_OPR_Down", "Chart_OPR", "Edit_OPR", "sgb_OPR", 30,
                      0.1, 1.1, 0.05, 0.25, &OPRToByte, "Определение переходных режимов: "}},
        {{"UPL", a::UPL, T::UPL, &M::UPL, &m::UPLFromByte}, std::nullopt},
        {{"LUup", a::LUup, T::LUup, &M::LUup, &m::LUupFromByte}, std::nullopt},
        {{"LUdown", a::LUdown, T::LUdown, &M::LUdown, &m::LUdownFromByte}, std::nullopt},
    }};
    return rows;
}

} // namespace

const std::array<NumericSettingField, NumericSettingFieldCount>& NumericSettingFields() {
    static const std::array<NumericSettingField, NumericSettingFieldCount> fields = [] {
        std::array<NumericSettingField, NumericSettingFieldCount> out{};
        for (size_t i = 0; i < out.size(); ++i)
            out[i] = SettingRows()[i].field;
        return out;
    }();
    return fields;
}

const std::array<NumericSettingRow, NumericSettingCount>& NumericSettingRows() {
    // In the order of NumericSetting, so that IndexOf finds a setting's row.
    static const std::array<NumericSettingRow, NumericSettingCount> rows = [] {
        std::array<NumericSettingRow, NumericSettingCount> out{};
        for (const SettingRow& row : SettingRows()) {
            if (!row.page)
                continue;
            const PageControls& p = *row.page;
            out[size_t(IndexOf(p.setting))] = {
                p.setting,    row.field.name, p.upButton,        p.downButton, p.chart,
                p.valueField, p.group,        p.captionText,     p.lower,      p.upper,
                p.step,       p.halfWidth,    row.field.address, p.toByte,     p.defaultCaption};
        }
        return out;
    }();
    return rows;
}
