#pragma once

#include "chart_navigation.h"
#include "telemetry_channel.h"

#include <QObject>

#include <array>
#include <optional>

namespace telemetry {

// The two value axes of the current chart and the axis panels beside it: the range each axis
// shows, the numbers in the four edit boxes (sEd_AxLeft_Max, sEd_AxLeft_Min, sEd_AxRight_Max,
// sEd_AxRight_Min) and the checked axis radio button of each side. A new or newly selected chart
// takes its ranges from the edits, so one pair of ranges serves whichever chart is shown.
class ValueAxesModel : public QObject {
    Q_OBJECT
public:
    explicit ValueAxesModel(QObject* parent = nullptr);

    AxisRange range(ValueAxis axis) const { return m_axes[index(axis)].range; }
    double edit(ValueAxis axis, AxisEnd end) const;
    std::optional<Channel> checkedChannel(ValueAxis axis) const {
        return m_axes[index(axis)].checked;
    }

    // The edits and the axis together (start-up, from the configuration file's LMAX … RMIN).
    void setLimits(ValueAxis axis, double minimum, double maximum);

    // A channel's radio button clicked: its axis shows the channel's range, and so do the edits;
    // while it stays checked every graph tick sets that range again.
    void checkChannel(Channel channel);
    // The graph tick after the channel's update: the range again if its radio is checked.
    void followCheckedChannel(Channel channel);

    // An end button pressed (step > 0 raises, < 0 lowers by 1 or 10): the axis' radio buttons
    // are cleared, so ticks stop forcing a channel range, and the end moves once.
    void pressEnd(ValueAxis axis, AxisEnd end, double step);
    // Each repetition while the button is held (every 200 ms).
    void repeatEnd(ValueAxis axis, AxisEnd end, double step);
    // Release: the end takes the number in its edit box.
    void releaseEnd(ValueAxis axis, AxisEnd end);
    // "Авто": radio buttons cleared, left 0 … 10 or right 0 … 5000 in axis and edits.
    void automatic(ValueAxis axis);

    // A chart made current (tab selected, Start, file loaded): its axes from the edits.
    void applyEditsToRanges();
    // atb_ShowAxis_ChartM and the end of a load: the edits from the axes.
    void copyRangesToEdits();

signals:
    void rangeChanged(telemetry::ValueAxis axis, const telemetry::AxisRange& range);
    void editsChanged(telemetry::ValueAxis axis);
    void checkedChannelChanged(telemetry::ValueAxis axis);

private:
    struct Side {
        AxisRange range;
        double editMinimum = 0;
        double editMaximum = 0;
        std::optional<Channel> checked;
    };
    static std::size_t index(ValueAxis axis) { return axis == ValueAxis::Left ? 0 : 1; }
    void setRange(ValueAxis axis, const AxisRange& range);
    void setEdits(ValueAxis axis, double minimum, double maximum);
    void setChecked(ValueAxis axis, std::optional<Channel> channel);
    void step(ValueAxis axis, AxisEnd end, double step);

    std::array<Side, 2> m_axes;
};

} // namespace telemetry
