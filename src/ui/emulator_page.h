#pragma once

#include "curve_chart.h"
#include "curve_messages.h"
#include "curve_proposals.h"
#include "info_file.h"
#include "languages.h"

#include <QList>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>

class InterfaceLock;
class QCustomPlot;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTableWidget;
class QTableWidgetItem;
class QToolButton;
class StatusPanels;
class CurveGridTools;

namespace curve {
class CurveFeatures;
struct OverlayPoint;
} // namespace curve

// The emulation curve page Panel_Emu: the grid sgrid_Emu with its step buttons, the chart
// Chart_Bis with the curve, the smoothing proposals and the live operating-point markers, its
// status bar, and the groups "Данные", "Фильтр чтения таблиц", "Сглаживание точек Лямбда" and
// "Динамический вывод". It shows the curve model and hands the user's actions to the curve
// features.
class EmulatorPage : public QWidget {
    Q_OBJECT
public:
    static constexpr int MarkerCount = CurveChart::MarkerCount;
    static constexpr int StepRepeatMs = 200;
    static constexpr int HideStepButtonsMs = 600;

    explicit EmulatorPage(curve::CurveFeatures& features, QWidget* parent = nullptr);

    // The controls the interface lock disables and enables.
    void addToLock(InterfaceLock& lock);
    // While a table or curve transfer runs: every path that edits the curve is disabled (the
    // grid with its drag and step buttons, the files, the accept buttons and the grid tools'
    // editing commands).
    void setEditingLocked(bool locked);
    // Info_A.ini: Enum_YellowPoints.
    void applyInfo(const InfoSettings& info);
    void storeInfo(InfoSettings& info) const;
    // The interface language: the message texts and the chart titles from the grid's headers.
    void applyLanguage(const QList<LanguageFileEntry>& entries, const InterfaceTexts& texts);

    // The air sensor type (DMRVType: MAP when true) that decides the right click's proposal.
    void setMapSensor(bool map) { m_mapSensor = map; }
    bool mapSensor() const { return m_mapSensor; }
    // Identification: both accept buttons shown, the one of the sensor type in front.
    void showAcceptButtons(bool map);
    // A change of the sensor type: its accept button is brought forward.
    void bringAcceptForward(bool map);
    QToolButton* acceptButtonInFront() const { return m_acceptFront; }

    // The texts of one message in the interface language.
    QString messageText(const curve::Message& message) const;

    // Asked for a curve file to open or a name to save under; empty cancels. Replaceable so
    // that tests need no dialog.
    std::function<QString()> askOpenFileName;
    std::function<QString()> askSaveFileName;
    // Asks before the module's curve is replaced; true to go on.
    std::function<bool(const QString& question)> askConfirmation;
    // The file operations pause the live chart first.
    std::function<void()> pauseLiveChart;

    QCustomPlot* chart() const;
    // sgrid_Emu's context menu, keys, undo and compare.
    CurveGridTools* gridTools() const { return m_tools; }
    // The markers placed so far: visible ones with their plot position and hint.
    using MarkerView = CurveChart::MarkerView;
    MarkerView marker(int number) const; // 1 .. 100
    int proposalGraphCount() const;
    // The colour of proposal graph i (red for the chosen candidates).
    QColor proposalColour(int i) const;
    // Runs a right click on point k of the edit series (the chart's mouse handling calls it).
    void proposeAt(int point);

public slots:
    void atb_Emu_In_2Click();
    void atb_Emu_Out_2Click();
    void atb_Emu_Save_2Click();
    void atb_Emu_Open_2Click();
    void atb_Lambda_Filter_OnClick();
    void atb_Lambda_Filter_OffClick();
    void atb_Accept_Interpolation_MAFClick();
    void atb_Accept_Interpolation_MAPClick();
    void Btn_YellowPointsClick();
    void Btn_YellowPoints_StopClick();
    // Btn_Refresh_2D_Graf: redraws the chart (after the lambda training windows).
    void Btn_Refresh_2D_GrafClick();
    // The lambda emulator range (LDiapazone) changed: relabel the grid and the chart.
    void setStretched(bool stretched);
    // The lambda training was switched off: both curve series are cleared.
    void clearCurveSeries();

signals:
    void lockRequested();
    void unlockRequested();
    void message(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildGridPanel();
    QWidget* buildChartPanel();
    QWidget* buildControls();
    QWidget* buildOverlayGroup(QWidget* panel);
    void buildGrid();
    QWidget* buildDataGroup();
    QWidget* buildFilterGroup();
    void bind();
    void bindButtons();
    void bindTransfer();
    void bindChart();
    void showText(int point);
    void showLabels();
    void showSeries();
    void showRead();
    void clearProposals();
    void showAcceptFor(bool map);
    void commitRow(QTableWidgetItem* item);
    void moveToNextRow();
    void placeStepButtons(int row);
    bool stepRow(int direction);
    void writeSteppedRow();
    void showPointStatus(int point);
    void placeMarker(int number, const curve::OverlayPoint& point);
    void setMarkerCountText(const QString& text);
    bool stepMarkerCount(int direction);
    void report(const curve::Message& message);
    // "Данные Эмулятора (*Emu.txt)": the dialogs' one filter.
    QString fileFilter() const;
    QString text(int number) const { return m_texts.text(number); }

    curve::CurveFeatures& m_features;
    InterfaceTexts m_texts;
    bool m_mapSensor = false;
    bool m_updating = false;
    bool m_editingLocked = false;

    QWidget* sPanel_Table2D_Emu = nullptr;
    QLabel* sbtn_sgrid_Emu_Cap_Left = nullptr;
    QLabel* sbtn_sgrid_Emu_Cap_Right = nullptr;
    QTableWidget* sgrid_Emu = nullptr;
    QToolButton* atb_SGrid_Down = nullptr;
    QToolButton* atb_SGrid_Up = nullptr;
    QTimer Timer_Hide_Panels;
    int m_stepRow = 0;

    QLabel* Lbl_Chart_Bis_Caption = nullptr;
    QLabel* Lbl_Chart_Bis_File = nullptr;
    CurveChart* Chart_Bis = nullptr;
    std::optional<curve::ArcProposal> m_arcs;
    std::optional<curve::LineProposal> m_line;
    StatusPanels* StatusBar_2D = nullptr;
    CurveGridTools* m_tools = nullptr;

    QToolButton* atb_Emu_In_2 = nullptr;
    QToolButton* atb_Emu_Out_2 = nullptr;
    QToolButton* atb_Emu_Save_2 = nullptr;
    QToolButton* atb_Emu_Open_2 = nullptr;
    QToolButton* atb_Lambda_Filter_On = nullptr;
    QToolButton* atb_Lambda_Filter_Off = nullptr;
    QRadioButton* srb_Filter_2D = nullptr;
    QWidget* m_acceptPlace = nullptr;
    QToolButton* atb_Accept_Interpolation_MAF = nullptr;
    QToolButton* atb_Accept_Interpolation_MAP = nullptr;
    QToolButton* m_acceptFront = nullptr;
    QToolButton* Btn_YellowPoints = nullptr;
    QToolButton* Btn_YellowPoints_Stop = nullptr;
    QToolButton* atb_Num_Yellow_Points_Down = nullptr;
    QToolButton* atb_Num_Yellow_Points_Up = nullptr;
    QLineEdit* Ed_Num_Yellow_Points = nullptr;
};
