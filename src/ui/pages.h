#pragma once

#include <QWidget>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

// The work-area pages. Each lies on top of the others and fills the work area; the page shown is
// the one brought to the front last.

// Live chart and parameters.
class ChartPage : public QWidget {
    Q_OBJECT
public:
    explicit ChartPage(QWidget* parent = nullptr);
};

// Emulation curve.
class EmulatorPage : public QWidget {
    Q_OBJECT
public:
    explicit EmulatorPage(QWidget* parent = nullptr);
};

// Injection tables and their surface view.
class TablesPage : public QWidget {
    Q_OBJECT
public:
    explicit TablesPage(QWidget* parent = nullptr);
};

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

// The operations journal.
class ProtocolPage : public QWidget {
    Q_OBJECT
public:
    explicit ProtocolPage(QWidget* parent = nullptr);

    QPlainTextEdit* MemoProtocol = nullptr;
    QCheckBox* cb_Protocol_Ask = nullptr;
};
