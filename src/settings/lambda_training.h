#pragma once

#include "settings_context.h"
#include "transaction.h"

#include <QObject>
#include <QString>

// Which confirmation window the training buttons ask for.
enum class LambdaConfirmation {
    SwitchOn,  // TfmLambdaOn, label Text41
    SwitchOff, // TfmLambdaOff, label Text42
};

// The texts a confirmation window shows each time: caption Text45, label Text41 or Text42,
// OK Text43, cancel Text44.
struct LambdaConfirmationTexts {
    QString caption;
    QString label;
    QString ok;
    QString cancel;
};

// Lambda emulator training: bit 2 of EEPROM-00 set (with EEPROM-1A cleared) on
// Timer_Lambda_Ticher, or cleared on Timer_Lambda_Ticher_02, after the user confirms in a window
// the UI shows. The other bits of EEPROM-00 are read and written back unchanged.
//
// Flow: the button's click asks confirmationRequested(); the UI shows the window modally and
// answers confirm(which, ok). After either answer the curve chart is to be refreshed
// (curveChartRefreshRequested).
class LambdaTraining : public QObject {
    Q_OBJECT
public:
    static constexpr int IntervalMs = 75;

    explicit LambdaTraining(SettingsContext& context, QObject* parent = nullptr);

    // atb_Other_TicherEmu_OnClick (also atb_Other_TicherEmu_Sh) and atb_Other_TicherEmu_OffClick:
    // emit confirmationRequested, or refuse at once while another transaction runs or the port is
    // closed (no window then).
    StartResult atb_Other_TicherEmu_OnClick();
    StartResult atb_Other_TicherEmu_OffClick();

    // The window's answer (atb_OKClick when ok, atb_Cancel otherwise). OK brings the other
    // training button to the front at once and starts the transaction; cancel changes nothing.
    StartResult confirm(LambdaConfirmation which, bool ok);

    // The bits of EEPROM-00 last read successfully (ModuleSettings.Flags00 at the start).
    int lastBits() const { return m_bits; }
    const QString& writeCommand() const { return m_writeCommand; }

    Transaction& Timer_Lambda_Ticher() { return m_on; }
    Transaction& Timer_Lambda_Ticher_02() { return m_off; }

    LambdaConfirmationTexts confirmationTexts(LambdaConfirmation which) const;

signals:
    void confirmationRequested(LambdaConfirmation which, const LambdaConfirmationTexts& texts);
    // Btn_Refresh_2D_Graf after the window closed, whatever the answer.
    void curveChartRefreshRequested();
    // Switching off clears the first two series of Chart_Bis.
    void curveSeriesClearRequested();
    void switchedOn();  // EEPROM-1A cleared: the training runs in the module
    void switchedOff(); // the write acknowledged (the interface has been unlocked)

private:
    StartResult ask(LambdaConfirmation which, const char* button);
    void receiveOn(const QString& chunk);
    void receiveOff(const QString& chunk);
    // Decodes the answer to "00*" into the bits when it is a valid byte, journals and returns the
    // write command with bit 2 set to training; empty when the byte is not known at all.
    QString takeBitsAndCompose(const QString& answer, const QString& eventText, bool training);
    // The byte to compose from is unknown: the transaction stops and the start is refused.
    void refuseUnknown(Transaction& timer, bool switchingOn);
    QString bitsText(int byte) const;

    SettingsContext& m_context;
    Transaction m_on;
    Transaction m_off;
    int m_bits = 0;
    QString m_writeCommand;
};
