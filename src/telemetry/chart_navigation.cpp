#include "chart_navigation.h"

#include <algorithm>
#include <cmath>

namespace telemetry {

std::optional<int> GraphIntervalForItem(int itemIndex) {
    if (itemIndex < 0 || itemIndex >= int(kGraphIntervalsMs.size()))
        return std::nullopt;
    return kGraphIntervalsMs[std::size_t(itemIndex)];
}

double ShownMinimum(const BottomWindow& window, qsizetype) {
    return window.automatic ? 0.0 : window.minimum;
}

double ShownMaximum(const BottomWindow& window, qsizetype pointCount) {
    return window.automatic ? double(std::max<qsizetype>(pointCount - 1, 0)) : window.maximum;
}

double PointsPerPageFor(int pageWidthSeconds, int graphIntervalMs) {
    return graphIntervalMs > 0 ? double(pageWidthSeconds) * 1000 / graphIntervalMs : 0.0;
}

void StartPages(PageState& state, double pointsPerPage) {
    state.PointsPerPage = pointsPerPage;
    state.PageStart = state.PagePointCounter;
    state.PageEnd = state.PageStart + pointsPerPage;
}

BottomWindow PageTick(PageState& state, double pointsPerPage, bool pageDisplay) {
    state.PointsPerPage = pointsPerPage;
    if (state.PagePointCounter != 0 && state.PagePointCounter >= state.PointsPerPage) {
        state.PageStart = state.PageEnd;
        state.PageEnd = state.PageEnd + state.PointsPerPage;
        state.PagePointCounter = 0;
    }
    if (!pageDisplay)
        return BottomWindow{};
    return BottomWindow{false, state.PageStart, state.PageEnd};
}

std::optional<BottomWindow> NavigateWindow(NavigationButton button, const BottomWindow& shown,
                                           const PageState& state, qsizetype pointCount, double p) {
    if (pointCount == 0)
        return std::nullopt;
    const double shownMinimum = ShownMinimum(shown, pointCount);
    const double shownMaximum = ShownMaximum(shown, pointCount);
    const double total = double(pointCount);
    switch (button) {
    case NavigationButton::ToBegin:
        return BottomWindow{false, 0, p};
    case NavigationButton::PageLeft:
        return BottomWindow{false, shownMinimum - p, shownMinimum};
    case NavigationButton::StepLeft:
        return BottomWindow{false, state.PageStart - 1, state.PageEnd - 1};
    case NavigationButton::StepRight:
        return BottomWindow{false, state.PageStart + 1, state.PageEnd + 1};
    case NavigationButton::PageRight:
        return BottomWindow{false, shownMaximum, shownMaximum + p};
    case NavigationButton::ToEnd:
        return BottomWindow{false, total - p, total};
    }
    return std::nullopt;
}

BottomWindow RecentreWindow(double oldPointsPerPage, double axisMinimum, double newPointsPerPage) {
    const double centre = oldPointsPerPage / 2 + axisMinimum;
    return BottomWindow{false, centre - newPointsPerPage / 2, centre + newPointsPerPage / 2};
}

BoundedStep StepWithin(int value, int delta, int lowest, int highest) {
    const int next = value + delta;
    if (next <= lowest)
        return {lowest, true};
    if (next >= highest)
        return {highest, true};
    return {next, false};
}

AxisRange ChannelRange(Channel channel) {
    const ChannelInfo& info = InfoOf(channel);
    return {info.minimum, info.maximum};
}

AxisRange AutomaticRange(ValueAxis axis) {
    return axis == ValueAxis::Left ? AxisRange{0, 10} : AxisRange{0, 5000};
}

double DisplayLimit(ValueAxis axis) {
    return axis == ValueAxis::Left ? 1000 : 15000;
}

AxisStep StepAxisEnd(const AxisRange& range, AxisEnd end, double step, double displayLimit) {
    AxisStep result;
    result.range = range;
    AxisRange moved = range;
    double& value = end == AxisEnd::Maximum ? moved.maximum : moved.minimum;
    value += step;
    if (std::abs(moved.maximum - moved.minimum) < std::abs(step))
        return result;
    result.range = moved;
    result.moved = true;
    result.shownInEdit = step > 0 ? std::min(value, displayLimit) : std::max(value, 0.0);
    return result;
}

AxisRange ReleaseAxisEnd(const AxisRange& range, AxisEnd end, double minimumEdit,
                         double maximumEdit) {
    AxisRange result = range;
    const bool ordered = minimumEdit < maximumEdit;
    if (end == AxisEnd::Maximum)
        result.maximum = ordered ? maximumEdit : minimumEdit;
    else
        result.minimum = ordered ? minimumEdit : maximumEdit;
    return result;
}

} // namespace telemetry
