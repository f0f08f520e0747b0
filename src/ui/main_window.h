#pragma once

#include "com_port.h"
#include "config_file.h"
#include "decimal_format.h"
#include "info_file.h"
#include "journal.h"
#include "languages.h"
#include "module_settings.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <optional>

class ChartPage;
namespace curve {
class CurveFeatures;
}
class SettingsFeatures;
namespace telemetry {
class LiveRecorder;
}
class DisplayThrottle;
class OperationLine;
class EmulatorPage;
class InterfaceLock;
class JournalView;
class LeftColumn;
class ModuleConnection;
class ProtocolPage;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QStackedWidget;
class QVBoxLayout;
class RawConsole;
class SettingsPage;
class StatusPanels;
class TablesPage;
class TfmAbout;
class LinkCheck;
class TfmLinkCheck;
class TfmModuOn;
class TransactionEngine;

// How the main window is started: where its files live, and what the command line preselects.
struct StartOptions {
    QString workingDirectory;   // empty: the current directory
    QString port;               // a device path to preselect
    double intervalScale = 1.0; // tests only: transaction intervals are multiplied by this
    // Where language files are looked for, in order; empty: the working folder, beside the
    // program, the installed share folder.
    QStringList languageFolders;
};

// The main window: the left column with the connection controls, the language list and the page
// buttons; the work-area pages; the progress bar and the two status bars. It owns the port, the
// transaction engine, the module model and the journal, and wires the pages to them.
class TfmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfmMain(const StartOptions& options = {}, QWidget* parent = nullptr);
    ~TfmMain() override;

    TBComPort& port() { return BComPort1; }
    TransactionEngine& engine() { return *m_engine; }
    Journal& journal() { return m_journal; }
    ModuleSettingsModel& moduleSettings() { return m_moduleSettings; }
    telemetry::LiveRecorder& recorder() { return *m_recorder; }
    const InterfaceTexts& texts() const { return m_texts; }
    bool interfaceLocked() const;
    const InfoSettings& infoSettings() const { return m_info; }
    QString infoFilePath() const { return m_infoPath; }
    QString configFilePath() const { return m_configPath; }
    // What the journal page holds, as it would be saved.
    QStringList journalLines();

    // Asked at close for the journal file name when cb_Protocol_Ask is ticked; empty cancels.
    // Replaceable so that the close sequence can run without a dialog.
    std::function<QString()> askJournalFileName;

public slots:
    void Btn_BlockClick();
    void Btn_UnBlockClick();
    void atb_2012_B_ModuleOnClick();
    void atb_2012_B_ModuleOffClick();
    void btn_WhoIsModuleClick();
    void Btn_Raschet_Marvek_2Click();
    void atb_SeansClick();
    void scbx_LangDriverChange();
    void cbPortClick();
    void scb_COM_portClick();
    void N8Click();
    void sButton5Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWorkArea(QWidget* central);
    void buildStatusArea(QVBoxLayout* outer, QWidget* central);
    void wirePageButtons();
    void buildMenu();
    void buildLock();
    void wireEngine();
    void wireChartAndSettingsPages();
    void wireConnection();
    void wireTablesPage();
    void wireCurvePage();
    void wirePorts();
    void startUp(const StartOptions& options);
    // Copies of the complete reads, verified writes and dumps in History/.
    void useHistoryFolder();
    void fillPortList();
    void mirrorPortBox();
    void selectSavedPort(const QString& preselected);
    void fillLanguageList(bool infoFileMissing);
    void showPage(QWidget* page);
    // After a language change: status texts of the old language in the new one.
    void rewordStatusBars(const InterfaceTexts& before);
    void onIdentified(const QString& name);
    void onForeignModule(const QString& name);
    void onUnidentified(const QStringList& readErrors);
    void onNoAnswer();
    void onPortLost(const QString& reason, const QString& port);
    void onPortRemoved(const QString& name);
    void setPriority(int index);
    // The program options of Options.ini ("Быстрый обмен" and the late-answer window): read,
    // shown and applied; the file is written whenever the user changes the option.
    void useOptionsFile(const QString& path);
    // The progress bar's value, at most every 50 ms (the latest).
    void showProgressValue(int value);
    // Disconnect steps 2 to 5: the chart selection and both configuration files. Returns an error.
    QString storeConfiguration();
    QString dateTime() const;
    // A port error as the interface language words it.
    QString portErrorText(const EComPort& e) const;
    // Information, warning or error boxes that do not block the event loop.
    void showMessage(int icon, const QString& text);
    QString text(int number) const { return m_texts.text(number); }
    // A named message; its key when no language supplies it, so that nothing shows blank.
    QString text(QStringView key) const {
        const QString t = m_texts.text(key);
        return t.isEmpty() ? key.toString() : t;
    }

    QString m_workingDirectory;
    QString m_infoPath;
    QString m_configPath;
    QString m_optionsPath; // empty while the file is being applied
    QString m_languageFolder;
    DecimalFormat m_decimals;
    InfoSettings m_info;
    ParameterFlagsTable m_flagsTable;
    SensorPairCodeBuilder m_sensorCode;
    InterfaceTexts m_texts;
    int m_portCountAtStart = 0;
    std::optional<int> m_shownFlags00; // EEPROM-00 as last applied to the chart page
    // The chart parameter selection the view refresh applies when no sensor configuration
    // matches: every parameter at start, then the selection of the last disconnect.
    QString m_parameterFlags = QStringLiteral("11111111111");
    QString m_rememberedPort;

    Journal m_journal;
    TBComPort BComPort1;
    ModuleSettingsModel m_moduleSettings;
    std::unique_ptr<TransactionEngine> m_engine;
    std::unique_ptr<RawConsole> m_console;
    std::unique_ptr<LinkCheck> m_linkCheck;
    std::unique_ptr<ModuleConnection> m_connection;
    std::unique_ptr<telemetry::LiveRecorder> m_recorder;
    std::unique_ptr<SettingsFeatures> m_settingsFeatures;
    std::unique_ptr<curve::CurveFeatures> m_curveFeatures;
    std::unique_ptr<InterfaceLock> m_lock;
    std::unique_ptr<JournalView> m_journalView;
    bool m_destroyed = false;

    LeftColumn* m_left = nullptr;
    QStackedWidget* m_pages = nullptr;
    ChartPage* Panel_Parr_Max = nullptr;
    EmulatorPage* Panel_Emu = nullptr;
    TablesPage* Panel_3D = nullptr;
    SettingsPage* spnl_2012_Setting = nullptr;
    ProtocolPage* Panel_Protocol = nullptr;
    QLineEdit* Ed_Type_Datchik_1_RU = nullptr;
    QLineEdit* Ed_Type_Datchik_2_RU = nullptr;
    QLabel* lblAbout = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    DisplayThrottle* m_throttle = nullptr;
    OperationLine* m_operationLine = nullptr;
    StatusPanels* StatusBar_Top = nullptr;
    StatusPanels* StatusBar_Bottom = nullptr;
    QMenu* m_chartMenu = nullptr;
    QMenu* m_emulatorMenu = nullptr;
    TfmAbout* m_about = nullptr;
    TfmModuOn* m_moduOn = nullptr;
    TfmLinkCheck* m_linkCheckWindow = nullptr;
    QAction* m_fastTransfersItem = nullptr;
};
