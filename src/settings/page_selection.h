#pragma once

#include "numeric_settings.h"
#include "settings_map.h"

#include <QObject>
#include <QString>

#include <array>
#include <optional>
#include <utility>

class ConnectRead;

// What the buttons of the settings pages show pressed. Every choice is a radio group; a group
// with no button pressed (before the first read, or after a value that matches no button) is an
// empty optional. A bit group holds the value of the bit its pressed button stands for, with the
// names of settings_map: System true is ssb_System_Off, false ssb_System_On.
enum class LambdaRate { V012, V025, V050, V075 }; // ssb_LUup_012 .. _075, ssb_LUdown_012 .. _075
enum class HeatingVoltage { V0, V045 };           // ssb_UPL_0, ssb_UPL_045

struct ChoiceSelection {
    // EEPROM-00
    std::optional<bool> KorrTab;                          // atb_KorrTab_VV / atb_KorrTab_MAF
    std::optional<bool> PInBurn;                          // ssb_PInBurn_Water / ssb_PInBurn_Fuel
    std::optional<settings_map::PumpTypeChoice> PumpType; // ssb_PumpType_Simple / _Auto / _Ignore
    std::optional<bool> System;                           // ssb_System_On / ssb_System_Off
    // Which of the two training buttons is in front: false atb_Other_TicherEmu_On (training
    // off), true atb_Other_TicherEmu_Off (training on).
    bool TicherEmu = false;
    // EEPROM-01
    std::optional<bool> Lambda_2; // ssb_Lambda_2_Simple / ssb_Lambda_2_Catalizer
    std::optional<bool> Language; // ssb_Rus / ssb_Eng
    std::optional<bool> DMRVType; // ssb_DMRVType_MAF / ssb_DMRVType_MAP
    std::optional<bool> ASinc;    // ssb_ASinc_Same / ssb_ASinc_Different
    // EEPROM-09: the pressed sb_NumBurn_1 .. sb_NumBurn_8, 0 when none is.
    int NumBurn = 0;
    // EEPROM-1F
    std::optional<bool> LDiapazone; // ssb_LDiapazone_No / ssb_LDiapazone_Yes
    std::optional<bool> VidBloka;   // ssb_VidBloka_Ingener / ssb_VidBloka_Simple
    std::optional<bool> Use_L;      // ssb_Use_L_No / ssb_Use_L_Yes
    std::optional<bool> CalcWater;  // ssb_CalcWater_Summ / ssb_CalcWater_Same
    // Engineering fixed values (EEPROM-20, 21, 1E)
    std::optional<LambdaRate> LUup;
    std::optional<LambdaRate> LUdown;
    std::optional<HeatingVoltage> UPL;

    bool operator==(const ChoiceSelection&) const = default;
};

// Decoding a byte presses the button of each decoded value and changes nothing else.
void ShowFlags00(ChoiceSelection& page, int byte);
void ShowFlags01(ChoiceSelection& page, int byte);
void ShowFlags1F(ChoiceSelection& page, int byte);
// Presses sb_NumBurn_b for b 1..8; any other count leaves the buttons as they were.
void ShowNumBurn(ChoiceSelection& page, int count);

// The new bit-field bytes composed from the page: the bits of the groups with a pressed button
// replaced, everything else as read. "Игнорировать" sets bit 5 and leaves bit 4 as read, so
// Ignore after Auto keeps bit 4 at 1.
int ComposeFlags00(const ChoiceSelection& page, int asRead); // bits 1, 3, 4, 5, 7
int ComposeFlags01(const ChoiceSelection& page, int asRead); // bits 0, 1, 2, 7
int ComposeFlags1F(const ChoiceSelection& page, int asRead); // bits 0, 5, 6, 7
// The pressed injector count, or fallback when no button is pressed.
int ComposeNumBurn(const ChoiceSelection& page, int fallback);

// Height of sgb_PumpType and sgb_PumpType_Sh: tall enough to show the pump current threshold group
// sgb_PTN inside it only for "Простой". After a read the tall height is 105, after a click of
// ssb_PumpType_Simple 85 (the form's two values); 41 hides sgb_PTN.
inline constexpr int PumpTypeHeightSimpleAfterRead = 105;
inline constexpr int PumpTypeHeightSimpleAfterClick = 85;
inline constexpr int PumpTypeHeightShort = 41;

// A scale as its page shows it: the window of its chart and the caption of its group.
struct ScaleDisplay {
    std::optional<ScaleWindow> window; // nothing until first set
    QString caption;
    bool operator==(const ScaleDisplay&) const = default;
};

// The template page (spnl_Shablon): the twins of the main page's controls, filled by opening a
// dump file.
struct TemplatePage {
    // The _Sh radio twins: System, PInBurn, PumpType, Lambda_2, DMRVType, ASinc, Language,
    // VidBloka and NumBurn. KorrTab has no twin on the page; it carries the file's table
    // correction basis so that writing the file keeps the basis its tables were made for.
    ChoiceSelection choices;
    // atb_Other_TicherEmu_Sh: colour green (false) or red (true) by bit 2 of the file's EEPROM-00.
    std::optional<bool> TicherEmu;
    // Edit_OPR_Sh, Edit_PTN_Sh, Ed_Other_Porog_T_Sh, Ed_Other_Zad_Korr_Sh, Ed_Other_VolEng_Sh,
    // Ed_Other_K_Fuel_Sh, indexed by NumericSetting.
    std::array<QString, NumericSettingCount> valueTexts;
    // Chart_..._Sh and sgb_..._Sh; PTN's are never set.
    std::array<ScaleDisplay, NumericSettingCount> scales;
    double UKZ = 0; // decoded, shown nowhere
    // sPanel29 "Наименование модуля".
    QString moduleName;
    bool loaded = false; // a dump file has been opened onto it

    bool operator==(const TemplatePage&) const = default;
};

// Which page's button was clicked: a template twin presses itself only, and the byte written is
// still composed from the main page.
enum class PageSide { Main, Template };

// The engineering panel spnl_2012_Ingener: "Только для опытных пользователей" with OK and
// Отмена (groups hidden), the groups after OK, or hidden for the rest of the run after Отмена.
enum class EngineeringPanel { Locked, Unlocked, Removed };

// The state the settings, template and engineering pages bind to. Transactions read the main
// selection to compose the bytes they write; widgets redraw on the signals.
class SettingsPageModel : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    const ChoiceSelection& main() const { return m_main; }
    void setMain(const ChoiceSelection& selection);
    template <typename Change> void editMain(Change&& change) {
        ChoiceSelection copy = m_main;
        std::forward<Change>(change)(copy);
        setMain(copy);
    }

    const TemplatePage& templatePage() const { return m_template; }
    void setTemplatePage(const TemplatePage& page);
    template <typename Change> void editTemplate(Change&& change) {
        TemplatePage copy = m_template;
        std::forward<Change>(change)(copy);
        setTemplatePage(copy);
    }

    // The main page's scale windows (Chart_OPR ..) and group captions (sgb_OPR ..).
    const ScaleDisplay& scale(NumericSetting setting) const { return m_scales[IndexOf(setting)]; }
    void setScale(NumericSetting setting, const ScaleDisplay& display);

    EngineeringPanel engineeringPanel() const { return m_engineeringPanel; }
    // sButton2Click ("OK") and sButton3Click ("Отмена"); a removed panel stays removed.
    void sButton2Click();
    void sButton3Click();

    // Shows what a read decoded: the bit-field bytes press their buttons, NumBurn its button.
    void showDecoded(int address, int byte);
    // Keeps the page in line with every byte the connection read decodes.
    void follow(ConnectRead& read);
    // A connection read has started: no button of a module setting is pressed and no scale is
    // shown until the read takes its byte; the scale groups show their caption prefix alone.
    void clearForRead(const std::array<QString, NumericSettingCount>& captionPrefixes);

    // Announces everything again, so that widgets which already changed by themselves (a radio
    // button clicked for an operation that was refused) show the model again.
    void announceAll();

signals:
    void mainChanged();
    void templateChanged();
    void scaleChanged(NumericSetting setting);
    void engineeringPanelChanged(EngineeringPanel panel);

private:
    ChoiceSelection m_main;
    TemplatePage m_template;
    std::array<ScaleDisplay, NumericSettingCount> m_scales;
    EngineeringPanel m_engineeringPanel = EngineeringPanel::Locked;
};
