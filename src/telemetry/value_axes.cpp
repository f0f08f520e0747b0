#include "value_axes.h"

namespace telemetry {

ValueAxesModel::ValueAxesModel(QObject* parent) : QObject(parent) {
    // The panels as designed: left 0 … 10, right 0 … 5000.
    for (const ValueAxis axis : {ValueAxis::Left, ValueAxis::Right}) {
        const AxisRange r = AutomaticRange(axis);
        Side& side = m_axes[index(axis)];
        side.range = r;
        side.editMinimum = r.minimum;
        side.editMaximum = r.maximum;
    }
}

double ValueAxesModel::edit(ValueAxis axis, AxisEnd end) const {
    const Side& side = m_axes[index(axis)];
    return end == AxisEnd::Maximum ? side.editMaximum : side.editMinimum;
}

void ValueAxesModel::setRange(ValueAxis axis, const AxisRange& range) {
    Side& side = m_axes[index(axis)];
    if (side.range == range)
        return;
    side.range = range;
    emit rangeChanged(axis, range);
}

void ValueAxesModel::setEdits(ValueAxis axis, double minimum, double maximum) {
    Side& side = m_axes[index(axis)];
    if (side.editMinimum == minimum && side.editMaximum == maximum)
        return;
    side.editMinimum = minimum;
    side.editMaximum = maximum;
    emit editsChanged(axis);
}

void ValueAxesModel::setChecked(ValueAxis axis, std::optional<Channel> channel) {
    Side& side = m_axes[index(axis)];
    if (side.checked == channel)
        return;
    side.checked = channel;
    emit checkedChannelChanged(axis);
}

void ValueAxesModel::setLimits(ValueAxis axis, double minimum, double maximum) {
    setEdits(axis, minimum, maximum);
    setRange(axis, {minimum, maximum});
}

void ValueAxesModel::checkChannel(Channel channel) {
    const ValueAxis axis = InfoOf(channel).axis;
    setChecked(axis, channel);
    const AxisRange r = ChannelRange(channel);
    setRange(axis, r);
    setEdits(axis, r.minimum, r.maximum);
}

void ValueAxesModel::followCheckedChannel(Channel channel) {
    const ValueAxis axis = InfoOf(channel).axis;
    if (m_axes[index(axis)].checked == channel)
        setRange(axis, ChannelRange(channel));
}

void ValueAxesModel::step(ValueAxis axis, AxisEnd end, double stepBy) {
    const AxisStep s = StepAxisEnd(range(axis), end, stepBy, DisplayLimit(axis));
    if (!s.moved)
        return;
    setRange(axis, s.range);
    const Side& side = m_axes[index(axis)];
    if (end == AxisEnd::Maximum)
        setEdits(axis, side.editMinimum, s.shownInEdit);
    else
        setEdits(axis, s.shownInEdit, side.editMaximum);
}

void ValueAxesModel::pressEnd(ValueAxis axis, AxisEnd end, double stepBy) {
    setChecked(axis, std::nullopt);
    step(axis, end, stepBy);
}

void ValueAxesModel::repeatEnd(ValueAxis axis, AxisEnd end, double stepBy) {
    step(axis, end, stepBy);
}

void ValueAxesModel::releaseEnd(ValueAxis axis, AxisEnd end) {
    const Side& side = m_axes[index(axis)];
    setRange(axis, ReleaseAxisEnd(range(axis), end, side.editMinimum, side.editMaximum));
}

void ValueAxesModel::automatic(ValueAxis axis) {
    setChecked(axis, std::nullopt);
    const AxisRange r = AutomaticRange(axis);
    setRange(axis, r);
    setEdits(axis, r.minimum, r.maximum);
}

void ValueAxesModel::applyEditsToRanges() {
    for (const ValueAxis axis : {ValueAxis::Left, ValueAxis::Right}) {
        const Side& side = m_axes[index(axis)];
        setRange(axis, {side.editMinimum, side.editMaximum});
    }
}

void ValueAxesModel::copyRangesToEdits() {
    for (const ValueAxis axis : {ValueAxis::Left, ValueAxis::Right})
        setEdits(axis, range(axis).minimum, range(axis).maximum);
}

} // namespace telemetry
