#pragma once

#include "page_selection.h"
#include "settings_context.h"
#include "transaction.h"

#include <QObject>
#include <QString>

#include <array>

// The ten fixed-value buttons of the engineering page.
enum class FixedEngineeringWrite {
    LUup_012,
    LUup_025,
    LUup_050,
    LUup_075,
    LUdown_012,
    LUdown_025,
    LUdown_050,
    LUdown_075,
    UPL_0,
    UPL_045,
};
inline constexpr int FixedEngineeringWriteCount = 10;

struct FixedEngineeringWriteInfo {
    FixedEngineeringWrite write;
    const char* button;  // "ssb_LUup_012"
    const char* caption; // "0,12"
    const char* command; // "E002)": fixed codes of the module, not the captions encoded
};
const std::array<FixedEngineeringWriteInfo, FixedEngineeringWriteCount>& FixedEngineeringWrites();
const FixedEngineeringWriteInfo& InfoOf(FixedEngineeringWrite write);

// The eight EEPROM-1F buttons (LDiapazone and VidBloka, Use_L, CalcWater pairs).
enum class EngineeringChoice {
    LDiapazone_No,
    LDiapazone_Yes,
    VidBloka_Ingener,
    VidBloka_Simple,
    Use_L_No,
    Use_L_Yes,
    CalcWater_Summ,
    CalcWater_Same,
};
// "ssb_LDiapazone_No" ...
const char* ButtonOf(EngineeringChoice choice);
void Press(ChoiceSelection& selection, EngineeringChoice choice);

// Engineering settings: the fixed writes of LUup, LUdown and UPL on Timer_2012_Ingeneer (sent
// until acknowledged, nothing journalled or read back), and the EEPROM-1F bits by a
// read-modify-write on Timer_2012_Ingeneer_2. The values in ModuleSettings change only with the
// next connection read (Flags1F also with the read of this change).
class EngineeringChange : public QObject {
    Q_OBJECT
public:
    static constexpr int FixedIntervalMs = 100;
    static constexpr int Flags1FIntervalMs = 50;

    explicit EngineeringChange(SettingsContext& context, QObject* parent = nullptr);

    // A fixed-value button: presses it and sends its command.
    StartResult writeFixed(FixedEngineeringWrite write);
    // An EEPROM-1F button (ssb_VidBloka_SimpleClick and ssb_LDiapazone_Yes/NoClick): presses it
    // (on the template page for the VidBloka twins), then "F1*", the byte composed from the main
    // page, and its write. The LDiapazone buttons relabel the curve at once (curveRangeChanged),
    // before the module has answered.
    StartResult changeFlags1F(EngineeringChoice choice, PageSide side = PageSide::Main);

    // The last EEPROM-1F write, two characters low nibble first + "F1)".
    const QString& flags1FWrite() const { return m_flags1FWrite; }
    const QString& fixedCommand() const { return m_fixedCommand; }

    Transaction& Timer_2012_Ingeneer() { return m_fixed; }
    Transaction& Timer_2012_Ingeneer_2() { return m_flags1F; }

signals:
    // ssb_LDiapazone_Yes (stretched) or _No: the curve grid's labels and Chart_Bis's increment
    // change now (CurveRowLabels).
    void curveRangeChanged(bool stretched);
    void fixedWritten(FixedEngineeringWrite write);
    void flags1FWritten(const QString& command);

private:
    void receiveFixed(const QString& chunk);
    void receiveFlags1F(const QString& chunk);

    SettingsContext& m_context;
    Transaction m_fixed;
    Transaction m_flags1F;
    FixedEngineeringWrite m_fixedWrite = FixedEngineeringWrite::LUup_012;
    QString m_fixedCommand;
    QString m_flags1FWrite;
    QString m_operation;
    ChoiceSelection m_selectionBefore;
};
