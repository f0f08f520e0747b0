#pragma once

#include "telemetry_channel.h"

#include <QtGlobal>

#include <array>
#include <optional>

// What a recording's chart shows and how its buttons move it, as pure functions: the graph
// interval choices, continuous and page display, the navigation window, the value-axis steps and
// the bounded steppers of the deviation limit and the page width.
namespace telemetry {

// cb_Int_Graf_In: "0,2" "0,25" "0,5" "1,0" "1,5" "2,0" seconds.
inline constexpr std::array<int, 6> kGraphIntervalsMs = {200, 250, 500, 1000, 1500, 2000};
inline constexpr int kDefaultGraphIntervalMs = 250;
// The interval of the chosen item; nothing for no item (the interval is left as it was).
std::optional<int> GraphIntervalForItem(int itemIndex);

// The bottom axis of a chart in point indices: automatic (all points) or a manual window.
struct BottomWindow {
    bool automatic = true;
    double minimum = 0;
    double maximum = 0;
    bool operator==(const BottomWindow&) const = default;
};
// The limits the axis shows: a manual window as set, an automatic one spanning the points
// 0 … count − 1 (0 … 0 without points).
double ShownMinimum(const BottomWindow& window, qsizetype pointCount);
double ShownMaximum(const BottomWindow& window, qsizetype pointCount);

// Page state of the live chart; every member is 0 at Start.
struct PageState {
    double PointsPerPage = 0;
    double PageStart = 0;
    double PageEnd = 0;
    double PagePointCounter = 0;
    bool operator==(const PageState&) const = default;
};

// Page width in seconds × 1000 / graph interval in ms (not rounded).
double PointsPerPageFor(int pageWidthSeconds, int graphIntervalMs);

// Start in page display: the first page [PagePointCounter, PagePointCounter + P].
void StartPages(PageState& state, double pointsPerPage);
// Before each graph tick's values: the window jumps forward by exactly P points each time P
// points have been added since the last jump. Returns the bottom axis the tick leaves.
BottomWindow PageTick(PageState& state, double pointsPerPage, bool pageDisplay);
// After each graph tick's point.
inline void CountPagePoint(PageState& state) {
    state.PagePointCounter += 1;
}

enum class NavigationButton { ToBegin, PageLeft, StepLeft, StepRight, PageRight, ToEnd };
// The new manual window of a navigation button, or nothing while the recording has no points.
// shown is the axis as it is now, state.PageStart … PageEnd the window last set by these
// buttons or by page display; the window may lie before point 0 or past the last point.
std::optional<BottomWindow> NavigateWindow(NavigationButton button, const BottomWindow& shown,
                                           const PageState& state, qsizetype pointCount,
                                           double pointsPerPage);

// Release of the page width buttons with points recorded: the window keeps its centre and takes
// the new width.
BottomWindow RecentreWindow(double oldPointsPerPage, double axisMinimum, double newPointsPerPage);

// A stepper within [lowest, highest] (deviation limit 5 … 100, page width 3 … 120): at a limit
// the value shows the limit and repetition stops.
struct BoundedStep {
    int value = 0;
    bool atLimit = false;
};
BoundedStep StepWithin(int value, int delta, int lowest, int highest);
inline constexpr int kDeviationLimitLowest = 5;
inline constexpr int kDeviationLimitHighest = 100;
inline constexpr int kPageWidthLowest = 3;
inline constexpr int kPageWidthHighest = 120;

// A value axis of the chart (left or right).
struct AxisRange {
    double minimum = 0;
    double maximum = 0;
    bool operator==(const AxisRange&) const = default;
};
enum class AxisEnd { Maximum, Minimum }; // "Верх", "Низ"

AxisRange ChannelRange(Channel channel);
// "Авто": left 0 … 10, right 0 … 5000.
AxisRange AutomaticRange(ValueAxis axis);
// The edit boxes show a left limit within 0 … 1000, a right one within 0 … 15000.
double DisplayLimit(ValueAxis axis);

// One step of an axis end button (step > 0 raises, < 0 lowers): the end moves only if the range
// stays at least one step wide; the edit then shows the new value, but never above the display
// limit when raising nor below 0 when lowering.
struct AxisStep {
    AxisRange range;
    bool moved = false;
    double shownInEdit = 0; // meaningful when moved
};
AxisStep StepAxisEnd(const AxisRange& range, AxisEnd end, double step, double displayLimit);
// Release: the end takes its edit's number; if the minimum edit is not below the maximum edit,
// the end takes the other edit's number instead (the range collapses rather than inverts).
AxisRange ReleaseAxisEnd(const AxisRange& range, AxisEnd end, double minimumEdit,
                         double maximumEdit);

} // namespace telemetry
