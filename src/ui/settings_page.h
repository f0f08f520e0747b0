#pragma once

#include "bound_group.h"
#include "choice_change.h"
#include "engineering_change.h"
#include "engineering_tab.h"
#include "lambda_training.h"
#include "page_selection.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>

class InterfaceLock;
class LambdaWindow;
class QBoxLayout;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTabWidget;
class QVBoxLayout;
class QToolButton;
class ScaleBar;
class SettingsFeatures;
struct SettingsView;

// Module settings: the page control with the main, additional and engineering tabs, and the
// template panel at its right once it has been asked for. The controls show the settings page
// model and the module settings and call the settings operations; nothing here talks to the
// module.
class InterfaceTexts;

class SettingsPage : public QWidget {
    Q_OBJECT
public:
    explicit SettingsPage(SettingsFeatures& features, QWidget* parent = nullptr);
    // The controls alone, bound to nothing (for a shell that has no settings features yet).
    explicit SettingsPage(QWidget* parent = nullptr);
    ~SettingsPage() override;

    QTabWidget* tuning() const { return spc_Tuning; }
    QWidget* engineeringTab() const { return stsIngeneer; }
    void showTemplate();
    bool templateShown() const;
    // After a language change: the scale groups' captions take the language's prefixes before
    // the value they show.
    void applyLanguage(const InterfaceTexts& texts);
    // The dump dialogs' filter, the plain-text entry named in the interface language.
    QString dumpFilter() const;

    // The controls of this page that the interface lock disables during long transfers.
    void addToLock(InterfaceLock& lock);

    // The file dialogs of the dump buttons; an empty name is a cancelled dialog. Tests replace
    // them.
    std::function<QString()> askSaveFileName;
    std::function<QString()> askOpenFileName;
    // Asks before the module's data are replaced; true to go on.
    std::function<bool(const QString& question)> askConfirmation;

    // Process priority controls of the engineering tab.
    QGroupBox* sRadioGroup1 = nullptr;
    QList<QRadioButton*> priorityButtons; // "Низкий", "Норма", "Высокий", "Преобладающий"
    QPushButton* sButton5 = nullptr;
    QLineEdit* sEdit11 = nullptr;

    // The lambda confirmation windows.
    LambdaWindow* lambdaWindow(LambdaConfirmation which) const;

signals:
    // Btn_Block / Btn_UnBlock around the dump transfers and the end of the lambda switch-off.
    void lockRequested();
    void unlockRequested();
    // A refused operation or a failed transfer, to be shown to the user.
    void message(const QString& text);
    // Panel 1 of the lower status bar: Text37, Text38, Text39.
    void bottomStatusText(const QString& text);

private:
    // One numeric setting's group: caption, scale window, step buttons and value field.
    struct ScaleControls {
        QGroupBox* group = nullptr;
        ScaleBar* chart = nullptr;
        QLineEdit* value = nullptr;
        QToolButton* up = nullptr;
        QToolButton* down = nullptr;
    };
    // The controls that the main page and the template page both have.
    struct Side {
        PageSide side = PageSide::Main;
        QString suffix; // "" or "_Sh"
        QList<BoundGroup> groups;
        std::array<ScaleControls, NumericSettingCount> scales;
        QGroupBox* pumpType = nullptr;
        QBoxLayout* pumpButtons = nullptr;
    };

    void build();
    void buildMainTab(QWidget* tab, Side& side);
    void buildPumpType(QWidget* tab, Side& side);
    void addTrainingAndDumpButtons(QWidget* tab, Side& side, QVBoxLayout* left);
    void buildAdditionalTab(QWidget* tab, Side& side);
    void buildTemplatePanel();
    QGroupBox* choiceGroup(Side& side, const char* name, const QString& title,
                           std::initializer_list<ChoiceOperation> operations, QWidget* parent,
                           bool vertical = false);
    QGroupBox* scaleGroup(Side& side, NumericSetting setting, QWidget* parent);
    QToolButton* toolButton(const QString& name, const QString& text, QWidget* parent);

    void bind();
    void bindLambdaTraining();
    void bindDumpButtons();
    void showMain();
    void showTemplatePage();
    void showScale(NumericSetting setting);
    void showValues();
    void showView(const SettingsView& view);
    void setPumpTypeHeight(QGroupBox* group,
                           const std::optional<settings_map::PumpTypeChoice>& pump,
                           int simpleHeight);

    void saveToFile();
    void openFromFile();

    SettingsFeatures* m_features = nullptr;
    QString m_restoreQuestion;
    Side m_main;
    Side m_template;
    int m_simpleHeight = PumpTypeHeightSimpleAfterRead;

    QTabWidget* spc_Tuning = nullptr;
    EngineeringTab* stsIngeneer = nullptr;
    QWidget* spnl_Shablon = nullptr;
    // Beside the template each tab has half the width: the pump type buttons and the
    // engineering tab's columns go one under the other.
    void arrangeForTemplate(bool shown);
    QLineEdit* Ed_Other_UKZ = nullptr;
    QStackedWidget* m_training = nullptr; // atb_Other_TicherEmu_On / _Off on one place
    QToolButton* atb_Other_TicherEmu_On = nullptr;
    QToolButton* atb_Other_TicherEmu_Off = nullptr;
    QToolButton* atb_Other_TicherEmu_Sh = nullptr;
    QToolButton* ssb_EEPROM_SaveToFile = nullptr;
    QToolButton* ssb_EEPROM_OpenFromFile = nullptr;
    QToolButton* ssb_EEPROM_SaveToModule = nullptr;
    QLabel* sPanel29 = nullptr;
    LambdaWindow* TfmLambdaOn = nullptr;
    LambdaWindow* TfmLambdaOff = nullptr;
};
