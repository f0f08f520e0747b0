#pragma once

#include "info_file.h"
#include "injection_tables.h"
#include "languages.h"
#include "surface_scene.h"
#include "table_transfer.h"

#include <QWidget>

#include <functional>

class InterfaceLock;
class QButtonGroup;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QStackedWidget;
class QTableWidget;
class QToolButton;
class RecordMapPanel;
class SettingsFeatures;
class SurfaceNavigation;
class SurfaceView;
class TableGridTools;
struct SettingsView;

// The table page Panel_3D: the view sgrid_Table_3D of the active injection table with its units,
// the transfer and file buttons of each table, the read filter, the correction basis, and the
// surface view of the table with its navigation group.
class TablesPage : public QWidget {
    Q_OBJECT
public:
    TablesPage(TransactionEngine& engine, SettingsFeatures& settings, QWidget* parent = nullptr);
    ~TablesPage() override;

    InjectionTables& tables() { return m_tables; }
    TableTransfer& transfer() { return m_transfer; }
    // sgrid_Table_3D's context menu, keys, undo, compare, history and live cell.
    TableGridTools* gridTools() const { return m_tools; }
    // "Данные записи": a recording's cell map over the view and the surface.
    RecordMapPanel* recordMap() const { return m_recordMap; }

    void addToLock(InterfaceLock& lock);
    // While a table or curve transfer runs: every path that edits the tables is disabled (the
    // grid, units, basis, files, and the grid tools' editing commands).
    void setEditingLocked(bool locked);
    // Filter 3D and Correction 3D of Info_A.ini (the surface view keeps its own lines).
    void applyInfo(const InfoSettings& info);
    void storeInfo(InfoSettings& info) const;
    // The interface texts (Text33, Text34); the title follows when a table page button is down.
    void setTexts(const InterfaceTexts& texts, bool tablePageButtonDown);
    // The table outputs of the settings view refresh (Btn_Raschet_Marvek_2Click).
    void applySettingsView(const SettingsView& view);

    // Asked for a file name (save: true for the save dialog); empty cancels. Replaceable so that
    // the file buttons run without a dialog.
    std::function<QString(TableKind table, bool save, const QString& filter)> askFileName;

    QLabel* Panel_3D_Top = nullptr;
    QLabel* Panel_3D_Left = nullptr;
    QTableWidget* sgrid_Table_3D = nullptr;
    QLabel* spnl_Name_Table_3D = nullptr;
    SurfaceView* Panel_Space3D = nullptr;
    SurfaceNavigation* sgb_3D_Navygator = nullptr;

    QStackedWidget* spnl_3D_Buttons = nullptr; // the water and the fuel set in one place
    QToolButton* atb_Water_Out = nullptr;
    QToolButton* atb_Water_In = nullptr;
    QToolButton* atb_Water_Save = nullptr;
    QToolButton* atb_Water_Open = nullptr;
    QToolButton* atb_Fuel_Out = nullptr;
    QToolButton* atb_Fuel_In = nullptr;
    QToolButton* atb_Fuel_Save = nullptr;
    QToolButton* atb_Fuel_Open = nullptr;

    QGroupBox* sgb_Filter3D = nullptr;
    QRadioButton* rb_Filter3D_On = nullptr;
    QRadioButton* rb_Filter3D_Off = nullptr;

    QStackedWidget* spnl_KorrTab_Place = nullptr; // the basis group or a confirmation over it
    QGroupBox* sgb_KorrTab = nullptr;
    QToolButton* atb_KorrTab_MAF = nullptr;
    QToolButton* atb_KorrTab_VV = nullptr;
    QGroupBox* srg_VV = nullptr;
    QRadioButton* srb_VV_Abs = nullptr;
    QRadioButton* srb_VV_Perc = nullptr;
    QRadioButton* srb_VV_mLH = nullptr;
    QLabel* sL_fors = nullptr;
    QLineEdit* sEd_fors_water = nullptr;
    QLineEdit* sEd_fors_fuel = nullptr;

    QFrame* spnl_Water_In = nullptr;
    QToolButton* sbtn_OK_Water_In = nullptr;
    QToolButton* sbtn_Cancel_Water_In = nullptr;
    QFrame* spnl_Fuel_in = nullptr;
    QToolButton* sbtn_OK_Fuel_In = nullptr;
    QToolButton* sbtn_Cancel_Fuel_In = nullptr;

public slots:
    void btn_WaterClick();
    void btn_FuelClick();
    void btnRefresh3D();
    void atb_Water_OutClick();
    void atb_Fuel_OutClick();
    void atb_Water_InClick();
    void atb_Fuel_InClick();
    void sbtn_OK_Water_InClick();
    void sbtn_OK_Fuel_InClick();
    void sbtn_Cancel_Water_InClick();
    void sbtn_Cancel_Fuel_InClick();
    void atb_Water_SaveClick();
    void atb_Fuel_SaveClick();
    void atb_Water_OpenClick();
    void atb_Fuel_OpenClick();
    void atb_KorrTab_MAFClick();
    void atb_KorrTab_VVClick();
    void srb_VV_AbsClick();
    void srb_VV_PercClick();
    void srb_VV_mLHClick();

signals:
    void showRequested(); // bring Panel_3D to the front
    void lockRequested();
    void unlockRequested();
    void progressReset();
    // The text the upper status bar's command panel shows once the receive event is handled.
    void commandPanelText(const QString& text);
    void message(const QString& text);
    // The file buttons pause the live chart before their dialog.
    void fileDialogOpening();

private:
    friend class TableGridKeys;
    void build();
    QTableWidget* buildGrid();
    QWidget* buildRightColumn();
    QWidget* buildTransferButtons(QWidget* parent);
    QWidget* buildFilter(QWidget* parent);
    QWidget* buildBasis(QWidget* parent);
    void buildWriteConfirmations();
    void wireRightColumn();
    void refreshTable(TableKind kind);
    void showView();
    void showViewCell(CellPosition cell);
    void showBasisButtons();
    void showUnit(TableUnit unit);
    void showFlowFields();
    void showSurface();
    void startRead(TableKind kind);
    void startWrite(TableKind kind);
    void saveTable(TableKind kind);
    void openTable(TableKind kind);
    void chooseBasis(CorrectionBasis basis);
    void applyBasisToPage(CorrectionBasis basis);
    // The commit keys of the view: Enter, Up, Down, Left, Right.
    // typed: the text was typed into the cell's editor; otherwise only the focus moves.
    void sgrid_Table_3DKeyDown(int key, CellPosition cell, const QString& text, bool typed);
    void sgrid_Table_3DKeyPress(CellPosition cell);
    void focusCell(CellPosition cell);
    // A named text of the language file ("Msg_Table_..."), Russian until one is applied.
    QString namedText(const QString& key) const;
    QString messageText(const Message& m) const;
    QString axisCaption(CorrectionBasis basis) const;
    SurfaceValues surfaceValues(TableKind kind) const;

    InjectionTables m_tables;
    TableTransfer m_transfer;
    SettingsFeatures& m_settings;
    InterfaceTexts m_texts;
    TableGridTools* m_tools = nullptr;
    RecordMapPanel* m_recordMap = nullptr;
    QString m_waterTitle;
    QString m_fuelTitle;
    std::array<QString, 2> m_failureTexts; // Text05, Text06
    bool m_destroying = false;
};
