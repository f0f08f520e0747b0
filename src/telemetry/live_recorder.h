#pragma once

#include "chart_navigation.h"
#include "decimal_format.h"
#include "message.h"
#include "recording.h"
#include "telemetry_channel.h"
#include "telemetry_poll.h"
#include "value_axes.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <array>

class ModuleSettingsModel;
class TransactionEngine;

namespace telemetry {

enum class RecorderState { Idle, Running, Paused };

// What the chart's controls show, as the recorder leaves them. The interface lock (Start,
// Continue, the colour buttons, the deviation group, cb_Int_Graf_In, the disconnect button …)
// applies on top: the recorder asks for it with lockRequested and unlockRequested.
struct RecorderControls {
    bool startVisible = true;       // atb_Chart1_Start
    bool pauseVisible = false;      // atb_Chart1_Pause
    bool continueVisible = false;   // atb_Chart1_Continue
    bool stopEnabled = false;       // atb_Chart1_Stop, menu "Стоп"
    bool deleteEnabled = false;     // atb_Chart1_Delete, menu "Очистить"
    bool navigationEnabled = true;  // Btn_toBegin … Btn_toEnd
    bool fileButtonsEnabled = true; // atb_Param_Open_2, atb_Param_Save_2
    bool disconnectEnabled = true;  // atb_2012_B_ModuleOff
    bool colourButtonsEnabled = true;
    bool operator==(const RecorderControls&) const = default;
};

// The live chart without its widgets: the graph tick (Timer_Module_Graf) with the poll it re-arms
// (Timer_NeprOpros) and the fuel counter reset (Timer_Get_0), the TelemetryChannel values and the
// time base, the recordings (one per Start or loaded file) with their page display and
// navigation, and the Start / Pause / Continue / Stop / Delete state machine.
//
// Which recording receives live points: the live recording is the one the last Start created
// (or the one Continue resumed), and only it receives the points of the graph ticks, whatever
// tab the user has selected meanwhile. Selecting an older tab while a recording runs makes that
// tab current for viewing and for the chart controls (colours, axes, series), but its samples
// never change; the running recording keeps growing and its chart keeps its page window.
class LiveRecorder : public QObject {
    Q_OBJECT
public:
    // The engine and the settings model must outlive the recorder: its two transactions are
    // registered with the engine for their lifetime.
    LiveRecorder(TransactionEngine& engine, ModuleSettingsModel& settings,
                 QObject* parent = nullptr);
    ~LiveRecorder() override;

    // --- Models the widgets bind to ---
    RecordingArchive& archive() { return m_archive; }
    const RecordingArchive& archive() const { return m_archive; }
    ValueAxesModel& axes() { return m_axes; }
    TelemetryPoll& poll() { return m_poll; }
    FuelCounterReset& fuelCounterReset() { return m_reset; }

    RecorderState state() const { return m_state; }
    const RecorderControls& controls() const { return m_controls; }
    // The recording that receives the graph ticks' points; null while none runs.
    Recording* liveRecording() const { return m_live; }

    const TelemetryChannel& channel(Channel c) const { return m_channels[std::size_t(c)]; }
    // A value label's text: the current value, shortest form, system decimal separator.
    QString channelText(Channel c) const;
    double fuelUsed() const { return m_fuelUsed; }
    // Lbl_KRT.
    const QString& fuelUsedText() const { return m_fuelUsedText; }
    double FuelFlowFactor() const { return m_fuelFlowFactor; }
    // Kept in whole milliseconds, so that sample k is exactly k x interval: adding 0.2 twenty
    // times in binary gives a hair more than 4.0 and would start the clamp one tick early.
    double ElapsedSeconds() const { return double(m_elapsedMs) / 1000; }
    double TickPeriod() const { return double(m_tickPeriodMs) / 1000; }
    double SampleTime() const { return m_sampleTime; }
    QString sampleTimeText() const { return m_format.format(m_sampleTime); }
    const PageState& pageState() const { return m_page; }
    // The number of samples of the current recording (CurrentChart's SampleGrid).
    qsizetype TotalPointCounter() const {
        return m_archive.current() ? m_archive.current()->sampleCount() : 0;
    }

    // --- Settings of the chart page (model state the controls show) ---
    // cb_Int_Graf_In item (-1: none); the interval is taken when a recording starts.
    int graphIntervalItem() const { return m_graphIntervalItem; }
    void setGraphIntervalItem(int item);
    // The interval of Timer_Module_Graf in ms (250 at program start).
    int graphIntervalMs() const { return m_graphIntervalMs; }
    // Any interval (the command line's); a chosen item replaces it at the next Start. Takes
    // effect at Start or Continue.
    void setGraphIntervalMs(int ms) { m_graphIntervalMs = ms; }
    // atb_Type_Graf_Page down (page display) or atb_Type_Graf_Nepr (continuous).
    bool pageDisplay() const { return m_pageDisplay; }
    void setPageDisplay(bool on);
    // Edit_Width_Page_Graf, whole seconds.
    int pageWidthSeconds() const { return m_pageWidthSeconds; }
    void setPageWidthSeconds(int seconds);
    // atb_PageDown / atb_PageUp, once on press and every 200 ms while held; at a limit (3, 120)
    // the repetition stops (atLimit).
    BoundedStep stepPageWidth(int delta);
    // Their release: with points recorded, the current chart's window keeps its centre and takes
    // the new width.
    void releasePageWidth();
    // DeviationLimit, Ed_Limit (percent).
    int DeviationLimit() const { return m_deviationLimit; }
    void setDeviationLimit(int percent);
    // atb_Limit_Down / atb_Limit_Up within 5 … 100.
    BoundedStep stepDeviationLimit(int delta);
    // AveragingOn: atb_RT_TCAverage sets it, atb_RT_TCNorma clears it.
    bool AveragingOn() const { return m_averaging; }
    void setAveraging(bool on);
    // The parameter check boxes; clicking one shows or hides its series on the current chart.
    const ParameterChecks& parameterChecks() const { return m_checks; }
    void setParameterChecked(Channel channel, bool checked);
    void setParameterChecks(const ParameterChecks& checks);
    // Series 8 is shown at Start only when cb_PVK is ticked and visible.
    void setPvkCheckBoxVisible(bool visible) { m_pvkCheckBoxVisible = visible; }

    // The decimal separator of labels, sample times and record files (the system's by default).
    const DecimalFormat& decimalFormat() const { return m_format; }
    void setDecimalFormat(const DecimalFormat& format) { m_format = format; }

    // --- Operations ---
    // Each returns false when it does not apply in the current state (see the state table in
    // live_recorder.cpp) and then changes nothing.
    bool start();
    bool pause();
    bool continueRecording();
    bool stop();
    bool deleteCurrent();
    // The user selected tab index (spc_GraphChange).
    void selectRecording(int index);
    // Btn_toBegin … Btn_toEnd on the current recording; nothing while it has no points.
    void navigate(NavigationButton button);

    // Loads a record file into a new recording tab (current, no timer started). The whole file
    // is checked first: on an error nothing is created and the message names the file and line.
    Message loadRecordFile(const QString& path);
    // Writes the current recording to path (already carrying "_data.txt", see RecordFileName).
    // Nothing happens without a recording. Returns an error naming the file, or empty.
    QString saveCurrentRecording(const QString& path) const;

    // atb_Get_0 ("обнулить").
    void resetFuelCounter();

    // One tick of Timer_Module_Graf (connected to the timer; tests call it directly).
    void graphTick();
    bool graphTimerEnabled() const { return m_graphTimerEnabled; }

signals:
    void stateChanged(telemetry::RecorderState state);
    void controlsChanged(const telemetry::RecorderControls& controls);
    // Start and Continue lock the interface; Pause and Stop unlock it.
    void lockRequested();
    void unlockRequested();
    // A graph tick has updated the channels and appended its sample: refresh the value labels.
    void tickCompleted();
    void fuelUsedTextChanged(const QString& text);
    // Stop clears panel 1 of the upper status bar.
    void statusPanelClearRequested();
    void graphIntervalItemChanged(int item);
    void pageDisplayChanged(bool on);
    void pageWidthChanged(int seconds);
    void deviationLimitChanged(int percent);
    void averagingChanged(bool on);
    void parameterChecksChanged();

private:
    void setState(RecorderState state);
    void setControls(const RecorderControls& controls);
    void setGraphTimerEnabled(bool enabled);
    void clearTimeBase();
    void setFuelUsedText(const QString& text);
    SampleRow sampleRow() const;

    TransactionEngine& m_engine;
    DecimalFormat m_format;
    TelemetryPoll m_poll;
    FuelCounterReset m_reset;
    QTimer m_graphTimer;
    bool m_graphTimerEnabled = false;
    RecordingArchive m_archive;
    ValueAxesModel m_axes;

    RecorderState m_state = RecorderState::Idle;
    RecorderControls m_controls;
    QPointer<Recording> m_live;

    std::array<TelemetryChannel, kChannelCount> m_channels;
    double m_fuelFlowFactor = 0;
    double m_fuelUsed = 0;
    QString m_fuelUsedText;
    qint64 m_elapsedMs = 0;
    int m_tickPeriodMs = 0;
    double m_sampleTime = 0;
    PageState m_page;

    int m_graphIntervalItem = -1;
    int m_graphIntervalMs = kDefaultGraphIntervalMs;
    bool m_pageDisplay = false;
    int m_pageWidthSeconds = 10;
    int m_deviationLimit = 10;
    bool m_averaging = false;
    ParameterChecks m_checks = DefaultParameterChecks();
    bool m_pvkCheckBoxVisible = true;
};

} // namespace telemetry
