#pragma once

#include <QList>
#include <QWidget>

class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

// Module settings: the page control with the main, additional and engineering tabs, and the
// template panel at its right once it has been asked for.
class SettingsPage : public QWidget {
    Q_OBJECT
public:
    explicit SettingsPage(QWidget* parent = nullptr);

    QTabWidget* tuning() const { return spc_Tuning; }
    QWidget* engineeringTab() const { return stsIngeneer; }
    void showTemplate();
    bool templateShown() const;

    // Process priority controls of the engineering tab.
    QGroupBox* sRadioGroup1 = nullptr;
    QList<QRadioButton*> priorityButtons; // "Низкий", "Норма", "Высокий", "Преобладающий"
    QPushButton* sButton5 = nullptr;
    QLineEdit* sEdit11 = nullptr;

private:
    QTabWidget* spc_Tuning = nullptr;
    QWidget* stsIngeneer = nullptr;
    QWidget* spnl_Shablon = nullptr;
};
