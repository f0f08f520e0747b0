#pragma once

#include "chart_navigation.h"
#include "info_file.h"
#include "telemetry_channel.h"

#include <QColor>
#include <QHash>
#include <QWidget>

#include <functional>

class InterfaceLock;
class ParameterRows;
class QLineEdit;
class QTabWidget;
class QVBoxLayout;
class RecordingChart;
class RecordingControls;

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
    void afterUnlock();

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
    void wireRecorder();
    QWidget* buildAxisPanel(telemetry::ValueAxis axis);
    void addAxisEnd(QVBoxLayout* layout, telemetry::ValueAxis axis, telemetry::AxisEnd end);
    void addRecordingTab(int index, telemetry::Recording* recording);
    void removeRecordingTab(telemetry::Recording* recording);
    void showControls();
    void showValuesAt(int pointIndex);
    void showAxisEdits(telemetry::ValueAxis axis);
    // sb_AxLeft_Fit, sb_AxRight_Fit: the axis (and its edits) to the visible values of its
    // channels on the current chart.
    void fitValueAxis(telemetry::ValueAxis axis);
    void applyColours(RecordingChart* chart) const;
    void redraw(RecordingChart* chart, const telemetry::Recording& recording) const;
    void openRecordFile();
    void saveRecordFile();

    telemetry::LiveRecorder& m_recorder;
    QHash<const telemetry::Recording*, RecordingChart*> m_charts;
    ParameterRows* m_rows = nullptr;
    RecordingControls* m_controls = nullptr;
    QTabWidget* spc_Graph = nullptr;
    QWidget* spnl_AxLeft = nullptr;
    QWidget* spnl_AxRight = nullptr;
    QLineEdit* m_axisEdits[2][2] = {}; // [axis][end: 0 maximum, 1 minimum]
};
