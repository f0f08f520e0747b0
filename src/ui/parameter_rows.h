#pragma once

#include "info_file.h"
#include "telemetry_channel.h"

#include <QColor>
#include <QWidget>

#include <array>

class InterfaceLock;
class QButtonGroup;
class QCheckBox;
class QGridLayout;
class QLabel;
class QRadioButton;
class QToolButton;

namespace telemetry {
class LiveRecorder;
class Recording;
} // namespace telemetry

// The channel rows of the chart page's "Параметры" tab: per channel its check box, colour button,
// value, caption and axis choice, the fuel consumption's "Норма"/"Среднее" and the fuel-used row
// with its reset. It shows the recorder's parameter selection and live values.
class ParameterRows : public QWidget {
    Q_OBJECT
public:
    explicit ParameterRows(telemetry::LiveRecorder& recorder, QWidget* parent = nullptr);

    void addToLock(InterfaceLock& lock);
    // Info_A.ini: the colours and which of "Норма"/"Среднее" is in front.
    void applyInfo(const InfoSettings& info);
    void storeInfo(InfoSettings& info) const;

    QColor channelColour(telemetry::Channel channel) const;
    // A row's caption as the language shows it; empty for anything but a channel.
    QString caption(int series) const;
    // Bit 0 of EEPROM-00 as decoded: whether the module has the water pressure channel.
    void showWaterPressure(bool present);
    void showAveragingButton(bool averaging);
    void showColourButtons();
    void showValues();
    void showValuesAt(const telemetry::Recording& recording, int pointIndex);

signals:
    // A channel's colour was chosen: the current chart is drawn again.
    void coloursChanged();

private:
    void addChannelRow(QGridLayout* rows, int r, int rowIndex);
    void addAveragingButtons(QGridLayout* rows, int r);
    void addFuelUsedRow(QGridLayout* rows, int r);
    void showChecks();
    void chooseColour(int colourIndex);

    telemetry::LiveRecorder& m_recorder;
    // Colours of the colour buttons in Info_A.ini order (Color01 .. Color11; Color09 unused), plus
    // the fuel-used and output-frequency rows.
    std::array<QColor, kInfoColourCount> m_colours;
    QColor m_fuelUsedColour = Qt::black;
    QColor m_outputColour = Qt::black;

    std::array<QCheckBox*, telemetry::kChannelCount> m_checks{};
    std::array<QToolButton*, telemetry::kChannelCount> m_colourButtons{};
    std::array<QLabel*, telemetry::kChannelCount> m_values{};
    std::array<QRadioButton*, telemetry::kChannelCount> m_radios{};
    std::array<QLabel*, telemetry::kChannelCount> m_captions{};
    QString m_waterPressureCaption;
    QButtonGroup* m_leftRadios = nullptr;
    QButtonGroup* m_rightRadios = nullptr;
    QToolButton* atb_KRT_Color = nullptr;
    QToolButton* atb_digDMRV_Output_Color = nullptr;
    QLabel* Lbl_KRT = nullptr;
    QToolButton* atb_Get_0 = nullptr;
    QToolButton* atb_RT_TCNorma = nullptr;
    QToolButton* atb_RT_TCAverage = nullptr;
};
