#pragma once

#include "info_file.h"
#include "telemetry_channel.h"

#include <QColor>
#include <QHash>
#include <QWidget>

#include <array>
#include <functional>

class InterfaceLock;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTabWidget;
class QToolButton;
class RecordingChart;

namespace telemetry {
class LiveRecorder;
class Recording;
} // namespace telemetry

// The live chart page: the "Параметры" tab with a row per channel and the recording, navigation,
// file, deviation and interval controls; the recordings' tabs in spc_Graph between the two axis
// panels. It shows the recorder's models and hands the user's actions to the recorder.
class ChartPage : public QWidget {
    Q_OBJECT
public:
    ChartPage(telemetry::LiveRecorder& recorder, QWidget* parent = nullptr);

    // The controls that the interface lock disables and enables.
    void addToLock(InterfaceLock& lock);
    // Info_A.ini: the chart's settings at start-up and what is written back.
    void applyInfo(const InfoSettings& info);
    void storeInfo(InfoSettings& info) const;

    QColor channelColour(telemetry::Channel channel) const;
    RecordingChart* currentChart() const;
    // Bit 0 of EEPROM-00 as decoded: whether the module has the water pressure channel.
    void showWaterPressure(bool present);
    // After the interface lock enabled its controls: the colour buttons follow the recorder again.
    void afterUnlock() { showColourButtons(); }

    // Asked for a record file to open or a name to save under; empty cancels. Replaceable so
    // that tests need no dialog.
    // The name of record files in the file dialogs, in the interface language.
    void setFileFilterName(const QString& name) { m_fileFilterName = name; }
    std::function<QString()> askOpenFileName;
    std::function<QString()> askSaveFileName;

signals:
    void lockRequested();
    void unlockRequested();
    void disconnectAllowed(bool allowed);
    void statusPanelClearRequested();
    void message(const QString& text);
    // A message named by its language-file key ("Msg_...").
    void messageKey(const QString& key);
    // An error as its key and arguments, with the text to show where the language lacks the key.
    void keyedError(const Message& message);

private:
    QString m_fileFilterName = QStringLiteral("Файлы параметров");
    QWidget* buildParameters();
    QWidget* buildAxisPanel(telemetry::ValueAxis axis);
    void addRecordingTab(int index, telemetry::Recording* recording);
    void removeRecordingTab(telemetry::Recording* recording);
    void showControls();
    void showAveragingButton(bool averaging);
    void showColourButtons();
    void showValues();
    void showValuesAt(int pointIndex);
    void showAxisEdits(telemetry::ValueAxis axis);
    // sb_AxLeft_Fit, sb_AxRight_Fit: the axis (and its edits) to the visible values of its
    // channels on the current chart.
    void fitValueAxis(telemetry::ValueAxis axis);
    void chooseColour(int colourIndex);
    void applyColours(RecordingChart* chart) const;
    void redraw(RecordingChart* chart, const telemetry::Recording& recording) const;
    void openRecordFile();
    void saveRecordFile();

    telemetry::LiveRecorder& m_recorder;
    QHash<const telemetry::Recording*, RecordingChart*> m_charts;
    // Colours of the colour buttons in Info_A.ini order (Color01 .. Color11; Color09 unused), plus
    // the fuel-used and output-frequency rows.
    std::array<QColor, kInfoColourCount> m_colours;
    QColor m_fuelUsedColour = Qt::black;
    QColor m_outputColour = Qt::black;

    QTabWidget* spc_Graph = nullptr;
    QWidget* spnl_AxLeft = nullptr;
    QWidget* spnl_AxRight = nullptr;
    std::array<QCheckBox*, telemetry::kChannelCount> m_checks{};
    std::array<QToolButton*, telemetry::kChannelCount> m_colourButtons{};
    std::array<QLabel*, telemetry::kChannelCount> m_values{};
    std::array<QRadioButton*, telemetry::kChannelCount> m_radios{};
    std::array<QLabel*, telemetry::kChannelCount> m_captions{};
    QString m_waterPressureCaption;
    QToolButton* atb_KRT_Color = nullptr;
    QToolButton* atb_digDMRV_Output_Color = nullptr;
    QLabel* Lbl_KRT = nullptr;
    QToolButton* atb_Get_0 = nullptr;
    QToolButton* atb_RT_TCNorma = nullptr;
    QToolButton* atb_RT_TCAverage = nullptr;
    QToolButton* atb_Chart1_Start = nullptr;
    QToolButton* atb_Chart1_Pause = nullptr;
    QToolButton* atb_Chart1_Continue = nullptr;
    QToolButton* atb_Chart1_Stop = nullptr;
    QToolButton* atb_Chart1_Delete = nullptr;
    QToolButton* atb_Param_Open_2 = nullptr;
    QToolButton* atb_Param_Save_2 = nullptr;
    QToolButton* atb_Type_Graf_Nepr = nullptr;
    QToolButton* atb_Type_Graf_Page = nullptr;
    QLineEdit* Edit_Width_Page_Graf = nullptr;
    QList<QToolButton*> m_navigation;
    QGroupBox* sGroupBox14 = nullptr;
    QLineEdit* Ed_Limit = nullptr;
    QComboBox* cb_Int_Graf_In = nullptr;
    QLineEdit* m_axisEdits[2][2] = {}; // [axis][end: 0 maximum, 1 minimum]
};
