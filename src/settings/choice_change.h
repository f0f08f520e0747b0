#pragma once

#include "page_selection.h"
#include "settings_context.h"
#include "transaction.h"

#include <QObject>
#include <QString>

#include <array>
#include <optional>

// The 25 choice operations of the settings page, named by their SettingName.
enum class ChoiceOperation {
    Other_System_On,
    Other_System_Off,
    PInBurn_Water,
    PInBurn_Fuel,
    TP_Auto,
    TP_Simple,
    TP_Ignore,
    KorrTab_MAF,
    KorrTab_VV,
    LAMBDA_2_Normal,
    LAMBDA_2_Catalizer,
    Lang_Rus,
    Lang_Eng,
    DMRV_Type_Sensor_MAF,
    DMRV_Type_Sensor_MAP,
    Asinc_Same,
    Asinc_Different,
    Other_NumBurn_1,
    Other_NumBurn_2,
    Other_NumBurn_3,
    Other_NumBurn_4,
    Other_NumBurn_5,
    Other_NumBurn_6,
    Other_NumBurn_7,
    Other_NumBurn_8,
};
inline constexpr int ChoiceOperationCount = 25;

struct ChoiceOperationInfo {
    ChoiceOperation operation;
    const char* button;         // "ssb_System_Off"
    const char* templateButton; // "ssb_System_Off_Sh", or null where the button has no twin
    const char* journalText;    // " Выключить систему"
    const char* settingName;    // "Other_System_Off"
    int address;                // EEPROM byte written: 0x00, 0x01 or 0x09
};

const std::array<ChoiceOperationInfo, ChoiceOperationCount>& ChoiceOperations();
const ChoiceOperationInfo& InfoOf(ChoiceOperation operation);
std::optional<ChoiceOperation> ChoiceOperationNamed(const QString& settingName);

// What clicking the operation's button does to its radio group.
void Press(ChoiceSelection& selection, ChoiceOperation operation);

// A choice setting changed by read-modify-write: Timer_RegRab reads EEPROM-00 and EEPROM-01
// (each answer decodes into ModuleSettings and the journal), composes the new bytes from the
// main page's buttons and writes the byte the operation concerns; Timer_RegRab_Control reads it
// back until it matches (EEPROM-00, EEPROM-01). The injector count is written without read-back.
class ChoiceChange : public QObject {
    Q_OBJECT
public:
    static constexpr int IntervalMs = 50;

    explicit ChoiceChange(SettingsContext& context, QObject* parent = nullptr);

    // The button's click: presses it, journals the date-time and the operation's text, sets
    // SettingName and starts with "00*" on the next tick. Refused (nothing pressed, journalled or
    // sent) while another transaction runs or the port is closed.
    StartResult run(ChoiceOperation operation, PageSide side = PageSide::Main);

    bool isRunning() const { return m_regRab.isEnabled() || m_control.isEnabled(); }
    const QString& SettingName() const { return m_settingName; }
    // The new bytes as two characters low nibble first; they stay after the transaction.
    const QString& newFlags00() const { return m_newFlags00; }
    const QString& newFlags01() const { return m_newFlags01; }
    const QString& newNumBurn() const { return m_newNumBurn; }
    // Edit7 (the read-back as received) and Edit8 (the byte written) of the EEPROM-00 check.
    const QString& Edit7() const { return m_edit7; }
    const QString& Edit8() const { return m_edit8; }

    Transaction& Timer_RegRab() { return m_regRab; }
    Transaction& Timer_RegRab_Control() { return m_control; }

signals:
    // The operation has started (the UI applies its side effects: the pump type group's height,
    // the interpolation button for the sensor type, the table relabelling of the correction basis).
    void started(ChoiceOperation operation);
    // The module acknowledged the write.
    void written(ChoiceOperation operation, const QString& command);
    // The read-back matched (EEPROM-00, 01) or the count was acknowledged (EEPROM-09).
    void finished(ChoiceOperation operation);

private:
    void receiveRegRab(const QString& chunk);
    void receiveControl(const QString& chunk);
    void takeFlags(int address, const QString& answer);

    SettingsContext& m_context;
    Transaction m_regRab;
    Transaction m_control;
    ChoiceOperation m_operation = ChoiceOperation::Other_System_On;
    QString m_settingName;
    ChoiceSelection m_selectionBefore;
    QString m_newFlags00;
    QString m_newFlags01;
    QString m_newNumBurn;
    QString m_writeCommand;
    QString m_edit7;
    QString m_edit8;
};
