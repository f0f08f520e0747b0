#include "chart_navigation.h"
#include "sample_grid.h"
#include "value_axes.h"

#include <QSignalSpy>
#include <QTest>

using namespace telemetry;

namespace {

BottomWindow window(double minimum, double maximum) {
    return BottomWindow{false, minimum, maximum};
}

SampleRow rowOf(double base) {
    SampleRow row;
    for (int c = 0; c < kGridColumns; ++c)
        row[std::size_t(c)] = base * 100 + c;
    return row;
}

} // namespace

namespace telemetry {
// Shown by QCOMPARE when two windows differ.
char* toString(const BottomWindow& w) {
    return w.automatic
               ? qstrdup("automatic")
               : qstrdup(QByteArray::number(w.minimum) + " … " + QByteArray::number(w.maximum));
}
char* toString(const AxisRange& r) {
    return qstrdup(QByteArray::number(r.minimum) + " … " + QByteArray::number(r.maximum));
}
} // namespace telemetry

class TestChartNavigation : public QObject {
    Q_OBJECT
private slots:
    void graphIntervalItems();
    void pointsPerPage_data();
    void pointsPerPage();
    void pageDisplayJumpsByWholePages();
    void continuousDisplayIsAutomatic();
    void navigationExample();
    void navigation_data();
    void navigation();
    void pageWidthRelease();
    void boundedSteps_data();
    void boundedSteps();
    void axisSteps_data();
    void axisSteps();
    void axisRelease_data();
    void axisRelease();
    void axesModelRadioAndButtons();
    void sampleGridAcrossBlocks();
    void sampleGridRangesAreClipped();
};

void TestChartNavigation::graphIntervalItems() {
    const int expected[] = {200, 250, 500, 1000, 1500, 2000};
    for (int i = 0; i < 6; ++i)
        QCOMPARE(GraphIntervalForItem(i).value_or(-1), expected[i]);
    QVERIFY(!GraphIntervalForItem(-1));
    QVERIFY(!GraphIntervalForItem(6));
}

void TestChartNavigation::pointsPerPage_data() {
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("intervalMs");
    QTest::addColumn<double>("points");
    QTest::newRow("3 s at 250 ms") << 3 << 250 << 12.0;
    QTest::newRow("10 s at 200 ms") << 10 << 200 << 50.0;
    QTest::newRow("4 s at 1500 ms, not rounded") << 4 << 1500 << 4000.0 / 1500;
    QTest::newRow("120 s at 2000 ms") << 120 << 2000 << 60.0;
}

void TestChartNavigation::pointsPerPage() {
    QFETCH(int, seconds);
    QFETCH(int, intervalMs);
    QFETCH(double, points);
    QCOMPARE(PointsPerPageFor(seconds, intervalMs), points);
}

void TestChartNavigation::pageDisplayJumpsByWholePages() {
    // 250 ms ticks and a 3-second page: the window is [0, 12] while points 0 … 11 are added and
    // moves to [12, 24] at the tick that adds point 12.
    PageState state;
    const double p = PointsPerPageFor(3, 250);
    StartPages(state, p);
    QCOMPARE(state.PageStart, 0.0);
    QCOMPARE(state.PageEnd, 12.0);
    for (int point = 0; point < 40; ++point) {
        const BottomWindow shown = PageTick(state, p, true);
        const double first = 12.0 * (point / 12);
        QCOMPARE(shown, window(first, first + 12));
        CountPagePoint(state);
    }
}

void TestChartNavigation::continuousDisplayIsAutomatic() {
    PageState state;
    for (int point = 0; point < 30; ++point) {
        QCOMPARE(PageTick(state, 12, false), BottomWindow());
        CountPagePoint(state);
    }
    // The counters run on, so switching to pages later shows whole pages from there.
    QCOMPARE(state.PagePointCounter, 6.0);
    QCOMPARE(state.PageStart, 12.0);
    QCOMPARE(state.PageEnd, 24.0);
    QCOMPARE(ShownMinimum(BottomWindow(), 30), 0.0);
    QCOMPARE(ShownMaximum(BottomWindow(), 30), 29.0);
    QCOMPARE(ShownMaximum(BottomWindow(), 0), 0.0);
}

void TestChartNavigation::navigationExample() {
    // A page of 12 points and 40 samples: toEnd 28 … 40, a page left 16 … 28, a step right
    // 17 … 29.
    PageState state;
    BottomWindow shown;
    auto press = [&](NavigationButton button) {
        const auto next = NavigateWindow(button, shown, state, 40, 12);
        QVERIFY(next);
        shown = *next;
        state.PageStart = next->minimum;
        state.PageEnd = next->maximum;
    };
    press(NavigationButton::ToEnd);
    QCOMPARE(shown, window(28, 40));
    press(NavigationButton::PageLeft);
    QCOMPARE(shown, window(16, 28));
    press(NavigationButton::StepRight);
    QCOMPARE(shown, window(17, 29));
    press(NavigationButton::ToBegin);
    press(NavigationButton::StepLeft);
    QCOMPARE(shown, window(-1, 11));
}

void TestChartNavigation::navigation_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<BottomWindow>("shown");
    QTest::addColumn<double>("pageStart");
    QTest::addColumn<double>("pageEnd");
    QTest::addColumn<int>("points");
    QTest::addColumn<BottomWindow>("expected");
    using B = NavigationButton;
    QTest::newRow("to begin") << int(B::ToBegin) << window(50, 62) << 50.0 << 62.0 << 100
                              << window(0, 12);
    QTest::newRow("page left from automatic")
        << int(B::PageLeft) << BottomWindow() << 0.0 << 0.0 << 100 << window(-12, 0);
    QTest::newRow("page right from automatic")
        << int(B::PageRight) << BottomWindow() << 0.0 << 0.0 << 100 << window(99, 111);
    QTest::newRow("page right beyond the points")
        << int(B::PageRight) << window(95, 107) << 95.0 << 107.0 << 100 << window(107, 119);
    // The step buttons move the window last set, not the axis shown.
    QTest::newRow("step left uses the page window")
        << int(B::StepLeft) << window(0, 5) << 30.0 << 42.0 << 100 << window(29, 41);
    QTest::newRow("step right uses the page window")
        << int(B::StepRight) << BottomWindow() << 30.0 << 42.0 << 100 << window(31, 43);
    QTest::newRow("to end with fewer points than a page")
        << int(B::ToEnd) << BottomWindow() << 0.0 << 0.0 << 5 << window(-7, 5);
}

void TestChartNavigation::navigation() {
    QFETCH(int, button);
    QFETCH(BottomWindow, shown);
    QFETCH(double, pageStart);
    QFETCH(double, pageEnd);
    QFETCH(int, points);
    QFETCH(BottomWindow, expected);
    PageState state;
    state.PageStart = pageStart;
    state.PageEnd = pageEnd;
    const auto next = NavigateWindow(NavigationButton(button), shown, state, points, 12);
    QVERIFY(next);
    QCOMPARE(*next, expected);
    QVERIFY(next->minimum <= next->maximum);
    // Without points no button does anything.
    QVERIFY(!NavigateWindow(NavigationButton(button), shown, state, 0, 12));
}

void TestChartNavigation::pageWidthRelease() {
    // From a 12-point page at 24 … 36 (centre 30) to a 4-second page of 16 points: 22 … 38.
    QCOMPARE(RecentreWindow(12, 24, PointsPerPageFor(4, 250)), window(22, 38));
    QCOMPARE(RecentreWindow(12, 0, 8), window(2, 10));
}

void TestChartNavigation::boundedSteps_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("lowest");
    QTest::addColumn<int>("highest");
    QTest::addColumn<int>("expected");
    QTest::addColumn<bool>("atLimit");
    QTest::newRow("deviation up") << 10 << 1 << 5 << 100 << 11 << false;
    QTest::newRow("deviation down to its limit") << 6 << -1 << 5 << 100 << 5 << true;
    QTest::newRow("deviation below its limit") << 5 << -1 << 5 << 100 << 5 << true;
    QTest::newRow("deviation up to its limit") << 99 << 1 << 5 << 100 << 100 << true;
    QTest::newRow("page width up") << 3 << 1 << 3 << 120 << 4 << false;
    QTest::newRow("page width at its top") << 120 << 1 << 3 << 120 << 120 << true;
    QTest::newRow("page width from outside the range") << 200 << -1 << 3 << 120 << 120 << true;
}

void TestChartNavigation::boundedSteps() {
    QFETCH(int, value);
    QFETCH(int, delta);
    QFETCH(int, lowest);
    QFETCH(int, highest);
    QFETCH(int, expected);
    QFETCH(bool, atLimit);
    const BoundedStep step = StepWithin(value, delta, lowest, highest);
    QCOMPARE(step.value, expected);
    QCOMPARE(step.atLimit, atLimit);
}

void TestChartNavigation::axisSteps_data() {
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<int>("end"); // AxisEnd
    QTest::addColumn<double>("step");
    QTest::addColumn<double>("displayLimit");
    QTest::addColumn<bool>("moved");
    QTest::addColumn<double>("newMinimum");
    QTest::addColumn<double>("newMaximum");
    QTest::addColumn<double>("shown");
    const int top = int(AxisEnd::Maximum);
    const int bottom = int(AxisEnd::Minimum);
    QTest::newRow("raise the top by 10")
        << 0.0 << 10.0 << top << 10.0 << 1000.0 << true << 0.0 << 20.0 << 20.0;
    QTest::newRow("raise past the display limit")
        << 0.0 << 995.0 << top << 10.0 << 1000.0 << true << 0.0 << 1005.0 << 1000.0;
    QTest::newRow("lower the top: range would be 5 < 10")
        << 0.0 << 15.0 << top << -10.0 << 1000.0 << false << 0.0 << 15.0 << 0.0;
    QTest::newRow("lower the top by 1")
        << 0.0 << 15.0 << top << -1.0 << 1000.0 << true << 0.0 << 14.0 << 14.0;
    QTest::newRow("lower the bottom below 0")
        << 3.0 << 15.0 << bottom << -10.0 << 1000.0 << true << -7.0 << 15.0 << 0.0;
    QTest::newRow("raise the bottom to one step below the top")
        << 0.0 << 20.0 << bottom << 10.0 << 1000.0 << true << 10.0 << 20.0 << 10.0;
    QTest::newRow("raise the bottom past the top")
        << 15.0 << 20.0 << bottom << 10.0 << 1000.0 << false << 15.0 << 20.0 << 0.0;
    QTest::newRow("right axis top")
        << 0.0 << 14995.0 << top << 10.0 << 15000.0 << true << 0.0 << 15005.0 << 15000.0;
}

void TestChartNavigation::axisSteps() {
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    QFETCH(int, end);
    QFETCH(double, step);
    QFETCH(double, displayLimit);
    QFETCH(bool, moved);
    QFETCH(double, newMinimum);
    QFETCH(double, newMaximum);
    QFETCH(double, shown);
    const AxisStep s = StepAxisEnd({minimum, maximum}, AxisEnd(end), step, displayLimit);
    QCOMPARE(s.moved, moved);
    QCOMPARE(s.range.minimum, newMinimum);
    QCOMPARE(s.range.maximum, newMaximum);
    if (moved)
        QCOMPARE(s.shownInEdit, shown);
}

void TestChartNavigation::axisRelease_data() {
    QTest::addColumn<int>("end");
    QTest::addColumn<double>("minimumEdit");
    QTest::addColumn<double>("maximumEdit");
    QTest::addColumn<double>("newMinimum");
    QTest::addColumn<double>("newMaximum");
    QTest::newRow("top takes its edit") << int(AxisEnd::Maximum) << 0.0 << 1000.0 << 0.0 << 1000.0;
    QTest::newRow("bottom takes its edit")
        << int(AxisEnd::Minimum) << 0.0 << 1000.0 << 0.0 << 1005.0;
    QTest::newRow("inverted edits: top collapses to the bottom")
        << int(AxisEnd::Maximum) << 50.0 << 40.0 << 0.0 << 50.0;
    QTest::newRow("inverted edits: bottom collapses to the top")
        << int(AxisEnd::Minimum) << 50.0 << 40.0 << 40.0 << 1005.0;
    QTest::newRow("equal edits") << int(AxisEnd::Maximum) << 7.0 << 7.0 << 0.0 << 7.0;
}

void TestChartNavigation::axisRelease() {
    QFETCH(int, end);
    QFETCH(double, minimumEdit);
    QFETCH(double, maximumEdit);
    QFETCH(double, newMinimum);
    QFETCH(double, newMaximum);
    const AxisRange r = ReleaseAxisEnd({0, 1005}, AxisEnd(end), minimumEdit, maximumEdit);
    QCOMPARE(r.minimum, newMinimum);
    QCOMPARE(r.maximum, newMaximum);
}

void TestChartNavigation::axesModelRadioAndButtons() {
    ValueAxesModel axes;
    QCOMPARE(axes.range(ValueAxis::Left), (AxisRange{0, 10}));
    QCOMPARE(axes.range(ValueAxis::Right), (AxisRange{0, 5000}));
    QSignalSpy ranges(&axes, &ValueAxesModel::rangeChanged);

    axes.checkChannel(Channel::RT);
    QCOMPARE(axes.checkedChannel(ValueAxis::Left), std::optional(Channel::RT));
    QCOMPARE(axes.range(ValueAxis::Left), (AxisRange{0, 25}));
    QCOMPARE(axes.edit(ValueAxis::Left, AxisEnd::Maximum), 25.0);
    axes.checkChannel(Channel::PVK);
    QCOMPARE(axes.range(ValueAxis::Right), (AxisRange{100, 15000}));
    QCOMPARE(axes.edit(ValueAxis::Right, AxisEnd::Minimum), 100.0);

    // Raising the left top from 25 in steps of 10 up to past 1000: the edit stops at 1000 and the
    // release sets the axis to it. The press clears the radio buttons of that side only.
    axes.pressEnd(ValueAxis::Left, AxisEnd::Maximum, 10);
    QVERIFY(!axes.checkedChannel(ValueAxis::Left));
    QCOMPARE(axes.checkedChannel(ValueAxis::Right), std::optional(Channel::PVK));
    QCOMPARE(axes.edit(ValueAxis::Left, AxisEnd::Maximum), 35.0);
    for (int i = 0; i < 100; ++i)
        axes.repeatEnd(ValueAxis::Left, AxisEnd::Maximum, 10);
    QCOMPARE(axes.range(ValueAxis::Left).maximum, 1035.0);
    QCOMPARE(axes.edit(ValueAxis::Left, AxisEnd::Maximum), 1000.0);
    axes.releaseEnd(ValueAxis::Left, AxisEnd::Maximum);
    QCOMPARE(axes.range(ValueAxis::Left), (AxisRange{0, 1000}));

    // A tick forces only a checked channel's range.
    axes.followCheckedChannel(Channel::RT);
    QCOMPARE(axes.range(ValueAxis::Left), (AxisRange{0, 1000}));
    axes.pressEnd(ValueAxis::Right, AxisEnd::Minimum, -1);
    QCOMPARE(axes.range(ValueAxis::Right), (AxisRange{99, 15000}));
    axes.followCheckedChannel(Channel::PVK);
    QCOMPARE(axes.range(ValueAxis::Right), (AxisRange{99, 15000}));

    axes.automatic(ValueAxis::Right);
    QCOMPARE(axes.range(ValueAxis::Right), (AxisRange{0, 5000}));
    QCOMPARE(axes.edit(ValueAxis::Right, AxisEnd::Maximum), 5000.0);

    // A chart made current takes the edits; the panel button copies the axes into the edits.
    axes.setLimits(ValueAxis::Left, 1, 9);
    axes.pressEnd(ValueAxis::Left, AxisEnd::Minimum, 1);
    QCOMPARE(axes.range(ValueAxis::Left), (AxisRange{2, 9}));
    axes.applyEditsToRanges();
    QCOMPARE(axes.range(ValueAxis::Left), (AxisRange{2, 9}));
    QVERIFY(ranges.size() > 5);
}

void TestChartNavigation::sampleGridAcrossBlocks() {
    SampleGrid grid;
    const qsizetype rows = 3 * SampleGrid::kBlockRows + 17;
    for (qsizetype r = 0; r < rows; ++r)
        grid.append(rowOf(double(r)));
    QCOMPARE(grid.rowCount(), rows);
    for (const qsizetype r : {qsizetype(0), SampleGrid::kBlockRows - 1, SampleGrid::kBlockRows,
                              2 * SampleGrid::kBlockRows + 5, rows - 1}) {
        QCOMPARE(grid.row(r), rowOf(double(r)));
        QCOMPARE(grid.cell(r, 10), double(r) * 100 + 10);
    }

    // A range across a block boundary comes out whole and in order.
    QList<double> keys, values;
    const qsizetype first = SampleGrid::kBlockRows - 3;
    grid.seriesPoints(0, first, 6, keys, values);
    QCOMPARE(keys.size(), 6);
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(keys[i], double(first + i));
        QCOMPARE(values[i], (double(first + i) * 100 + 1) / 100); // series 0 is column 1
    }
    const SampleGrid copy = grid;
    QVERIFY(copy == grid);
    QCOMPARE(grid.blockBytes(), qsizetype(4 * SampleGrid::kBlockRows * kGridColumns * 8));
    grid.clear();
    QCOMPARE(grid.rowCount(), 0);
    QCOMPARE(copy.rowCount(), rows);
}

void TestChartNavigation::sampleGridRangesAreClipped() {
    SampleGrid grid;
    for (int r = 0; r < 10; ++r)
        grid.append(rowOf(r));
    QList<double> cells;
    grid.columnCells(kStepColumn, 8, 100, cells);
    QCOMPARE(cells, QList<double>({800, 900}));
    cells.clear();
    grid.columnCells(kStepColumn, -5, 7, cells);
    QCOMPARE(cells, QList<double>({0, 100}));
    cells.clear();
    grid.columnCells(kStepColumn, 20, 5, cells);
    QVERIFY(cells.isEmpty());
    QCOMPARE(GridKeys().front(), "Step");
    QCOMPARE(GridKeys().back(), "SD");
}

QTEST_GUILESS_MAIN(TestChartNavigation)
#include "tst_chart_navigation.moc"
