#pragma once

#include "bound_group.h"
#include "engineering_change.h"
#include "page_selection.h"

#include <QBoxLayout>
#include <QList>
#include <QWidget>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class SettingsFeatures;
struct SettingsView;

// The settings page's "Инженер" tab: the engineering panel behind its OK/Отмена question (the
// lambda rates and heating voltage, the EEPROM-1F pairs) and the program's process priority.
class EngineeringTab : public QWidget {
    Q_OBJECT
public:
    // features may be null: the controls alone, bound to nothing.
    explicit EngineeringTab(SettingsFeatures* features, QWidget* parent = nullptr);

    // Binds OK/Отмена to the page model and shows its panel state.
    void bind();
    void showChoices();
    void showPanel(EngineeringPanel panel);
    void showView(const SettingsView& view);
    // After a language change: the rate labels keep a value the module has shown, and the
    // numeric captions take the interface's decimal separator.
    void applyLanguage();
    void separateNumberCaptions();
    // Beside the template the two columns go one under the other.
    void setColumnsDirection(QBoxLayout::Direction direction) {
        m_columns->setDirection(direction);
    }

    QGroupBox* sRadioGroup1 = nullptr;
    QList<QRadioButton*> priorityButtons; // "Низкий", "Норма", "Высокий", "Преобладающий"
    QPushButton* sButton5 = nullptr;
    QLineEdit* sEdit11 = nullptr;

signals:
    // An engineering button was pressed: the page shows the main choices again.
    void written();

private:
    void buildPanel();
    void addFixedGroup(const char* name, const QString& title,
                       std::initializer_list<FixedEngineeringWrite> writes, QLabel** label);
    void addFlagsGroup(const char* name, const QString& title, EngineeringChoice first,
                       const QString& firstCaption, const QString& secondCaption);
    QLayout* buildPriority();

    SettingsFeatures* m_features = nullptr;
    QBoxLayout* m_columns = nullptr;
    QWidget* spnl_2012_Ingener = nullptr;
    QBoxLayout* m_panelLayout = nullptr;
    QLabel* m_caption = nullptr;
    QPushButton* sButton2 = nullptr;
    QPushButton* sButton3 = nullptr;
    QList<QGroupBox*> m_groupBoxes;
    QList<BoundGroup> m_groups;
    // Buttons whose caption is a number ("0,12", "0,45 В"): written with the interface's decimal
    // separator whatever the language file or the table gave.
    QList<QToolButton*> m_numberCaptions;
    QLabel* slbl_Lup = nullptr;
    QLabel* slbl_Ldown = nullptr;
    std::pair<QString, QString> m_rateTexts; // the last values of slbl_Lup, slbl_Ldown
};
