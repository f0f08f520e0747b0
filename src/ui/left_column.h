#pragma once

#include <QColor>
#include <QList>
#include <QStringList>
#include <QWidget>

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QToolButton;
class QVBoxLayout;

// The fixed left column: connection buttons, the two port boxes, the raw console, the language
// list and the eight page buttons with their caption strips.
class LeftColumn : public QWidget {
    Q_OBJECT
public:
    explicit LeftColumn(QWidget* parent = nullptr);

    // Brings the connect (true) or the disconnect button to the front; they share one place.
    void showConnectButton(bool connectInFront);
    bool connectButtonInFront() const;
    // cbPort lists these ports; its selection follows its port where it is still listed, else
    // stays at its position.
    void showPorts(const QStringList& ports);
    // scb_COM_port, the box the user sees, takes cbPort's items, index and text.
    void mirrorPortBox();
    // Draws the page buttons' pictures again from their caption strips, after a language change.
    void refreshPageIcons();

    QToolButton* atb_2012_B_ModuleOn = nullptr;
    QToolButton* atb_2012_B_ModuleOff = nullptr;
    QComboBox* cbPort = nullptr;       // the list the program works with (kept hidden)
    QComboBox* scb_COM_port = nullptr; // the box the user sees; mirrors cbPort
    QLineEdit* Edit5 = nullptr;        // hidden: the command last sent
    QLineEdit* Edit6 = nullptr;        // hidden
    QLineEdit* Ed_Peredat = nullptr;
    QToolButton* atb_Seans = nullptr;
    QComboBox* scbx_LangDriver = nullptr;

    QToolButton* atb_2012_Graph = nullptr;
    QToolButton* atb_2012_Emulator = nullptr;
    QToolButton* atb_2012_Water = nullptr;
    QToolButton* atb_2012_Fuel = nullptr;
    QToolButton* atb_2012_Settings = nullptr;
    QToolButton* atb_2012_Shablon = nullptr;
    QToolButton* atb_2012_Protocol = nullptr;
    QToolButton* atb_2012_Ingener = nullptr;
    QButtonGroup* pageGroup = nullptr; // all page buttons but the template's

private:
    void buildConnection(QVBoxLayout* layout);
    QWidget* buildPageButtons();
    struct PageIcon {
        QToolButton* button = nullptr;
        QColor colour;
        QLabel* strip = nullptr;
    };
    QList<PageIcon> m_pageIcons;
};
