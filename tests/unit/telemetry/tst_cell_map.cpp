// A recording placed on the table cells: dwell and channel spread per cell, under filters.
#include "cell_map.h"
#include "live_cell.h"

#include <QTest>

#include <cmath>

using namespace telemetry;

Q_DECLARE_METATYPE(CorrectionBasis)
Q_DECLARE_METATYPE(CellMapFilter)

namespace {

struct Sample {
    double seconds, rpm, injectionTime, mafVoltage, temperature;
};

// Cells as a recording holds them: value × 100.
SampleGrid recordingOf(const QList<Sample>& samples) {
    SampleGrid grid;
    for (const Sample& s : samples) {
        SampleRow row{};
        row[kStepColumn] = std::round(s.seconds * 100);
        row[ColumnOfSeries(SeriesOf(Channel::PVK))] = std::round(s.rpm * 100);
        row[ColumnOfSeries(SeriesOf(Channel::TVT))] = std::round(s.injectionTime * 100);
        row[ColumnOfSeries(SeriesOf(Channel::U_analog))] = std::round(s.mafVoltage * 100);
        row[ColumnOfSeries(SeriesOf(Channel::T))] = std::round(s.temperature * 100);
        grid.append(row);
    }
    return grid;
}

// Two samples idling in cell (1, 1), then three at 2400 rpm and 9,6 ms (2,5 V), the last two
// half a second apart.
const QList<Sample> kDrive = {{0.00, 670, 0.1, 0.0, 70},
                              {0.25, 670, 0.1, 0.0, 90},
                              {0.50, 2400, 9.6, 2.5, 85},
                              {1.00, 2400, 9.6, 2.5, 95},
                              {1.50, 2400, 9.6, 2.5, 60}};

} // namespace

class CellMapTest : public QObject {
    Q_OBJECT
private slots:
    void placement_data();
    void placement();
    void dwellAndMeans_data();
    void dwellAndMeans();
    void channelNames();
};

void CellMapTest::placement_data() {
    QTest::addColumn<double>("rpm");
    QTest::addColumn<double>("injectionTime");
    QTest::addColumn<double>("mafVoltage");
    QTest::addColumn<CorrectionBasis>("basis");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    const auto ms = CorrectionBasis::InjectionTime;
    const auto volts = CorrectionBasis::Maf;
    QTest::newRow("below the first labels") << 300.0 << 0.0 << 0.0 << ms << 1 << 1;
    QTest::newRow("beyond the last labels") << 15000.0 << 30.0 << 0.0 << ms << 8 << 8;
    // 725 rpm and 0,3 V lie halfway between the first two labels: the later cell.
    QTest::newRow("halfway") << 725.0 << 0.0 << 0.3 << volts << 2 << 2;
    QTest::newRow("just past halfway") << 726.0 << 1.66 << 0.0 << ms << 2 << 2;
    QTest::newRow("just before halfway") << 724.0 << 1.64 << 0.0 << ms << 1 << 1;
    QTest::newRow("on inner labels") << 1600.0 << 12.8 << 0.0 << ms << 5 << 5;
    // 3600 rpm lies halfway from 2400 to 4800; the injection time is not looked at.
    QTest::newRow("MAF basis") << 3600.0 << 22.4 << 2.3 << volts << 7 << 5;
    QTest::newRow("MAF basis, top") << 10000.0 << 0.1 << 5.0 << volts << 8 << 8;
}

void CellMapTest::placement() {
    QFETCH(double, rpm);
    QFETCH(double, injectionTime);
    QFETCH(double, mafVoltage);
    QFETCH(CorrectionBasis, basis);
    QFETCH(int, column);
    QFETCH(int, row);
    const SampleGrid grid = recordingOf({{0, rpm, injectionTime, mafVoltage, 20},
                                         {0.25, rpm, injectionTime, mafVoltage, 20},
                                         {0.5, rpm, injectionTime, mafVoltage, 20}});
    const CellMap map = MapRecording(grid, {basis, Channel::T, {}});
    // The same cell the live cell shows for these values.
    const LiveCell live =
        LiveCellOf(rpm, basis == CorrectionBasis::Maf ? mafVoltage : injectionTime, basis);
    QCOMPARE(live.nearestColumn(), column);
    QCOMPARE(live.nearestRow(), row);
    for (int r = 1; r <= kTableRows; ++r) {
        for (int c = 1; c <= kTableColumns; ++c) {
            const CellDwell& cell = map.at(c, r);
            const bool here = c == column && r == row;
            QCOMPARE(cell.samples, here ? 3 : 0);
            QCOMPARE(cell.seconds, here ? 0.75 : 0.0);
            QCOMPARE(cell.percent, here ? 100.0 : 0.0);
        }
    }
}

void CellMapTest::dwellAndMeans_data() {
    QTest::addColumn<CellMapFilter>("filter");
    QTest::addColumn<CorrectionBasis>("basis");
    QTest::addColumn<bool>("frozenClock");
    QTest::addColumn<int>("busyRow"); // the row of the cell at 2400 rpm
    // Per cell, idle and busy: samples, seconds, percent, mean, minimum, maximum.
    QTest::addColumn<QList<double>>("idle");
    QTest::addColumn<QList<double>>("busy");
    const auto ms = CorrectionBasis::InjectionTime;
    const ChannelCondition warm{Channel::T, ChannelCondition::Comparison::Above, 80};
    const ChannelCondition cool{Channel::T, ChannelCondition::Comparison::Below, 80};
    const QList<double> none = {0, 0, 0};
    QTest::newRow("whole recording")
        << CellMapFilter{} << ms << false << 4 << QList<double>{2, 0.5, 25, 80, 70, 90}
        << QList<double>{3, 1.5, 75, 80, 60, 95};
    QTest::newRow("MAF basis") << CellMapFilter{} << CorrectionBasis::Maf << false << 5
                               << QList<double>{2, 0.5, 25, 80, 70, 90}
                               << QList<double>{3, 1.5, 75, 80, 60, 95};
    QTest::newRow("chart window 1 … 3")
        << CellMapFilter{1.0, 3.0, {}, {}, {}} << ms << false << 4
        << QList<double>{1, 0.25, 20, 90, 90, 90} << QList<double>{2, 1.0, 80, 90, 85, 95};
    QTest::newRow("window between points") << CellMapFilter{0.5, 2.5, {}, {}, {}} << ms << false
                                           << 4 << QList<double>{1, 0.25, 100.0 / 3, 90, 90, 90}
                                           << QList<double>{1, 0.5, 200.0 / 3, 85, 85, 85};
    QTest::newRow("time span from 0,5 s") << CellMapFilter{{}, {}, 0.5, 99.0, {}} << ms << false
                                          << 4 << none << QList<double>{3, 1.5, 100, 80, 60, 95};
    QTest::newRow("time span to 0,25 s") << CellMapFilter{{}, {}, {}, 0.25, {}} << ms << false << 4
                                         << QList<double>{2, 0.5, 100, 80, 70, 90} << none;
    QTest::newRow("temperature above 80")
        << CellMapFilter{{}, {}, {}, {}, warm} << ms << false << 4
        << QList<double>{1, 0.25, 20, 90, 90, 90} << QList<double>{2, 1.0, 80, 90, 85, 95};
    QTest::newRow("temperature below 80") << CellMapFilter{{}, {}, {}, {}, cool} << ms << false << 4
                                          << QList<double>{1, 0.25, 100.0 / 3, 70, 70, 70}
                                          << QList<double>{1, 0.5, 200.0 / 3, 60, 60, 60};
    QTest::newRow("nothing passes")
        << CellMapFilter{5.0, 9.0, {}, {}, {}} << ms << false << 4 << none << none;
    // All samples at time 0: no time to share, the samples are shared out instead.
    QTest::newRow("clock that does not move")
        << CellMapFilter{} << ms << true << 4 << QList<double>{2, 0, 40, 80, 70, 90}
        << QList<double>{3, 0, 60, 80, 60, 95};
}

void CellMapTest::dwellAndMeans() {
    QFETCH(CellMapFilter, filter);
    QFETCH(CorrectionBasis, basis);
    QFETCH(bool, frozenClock);
    QFETCH(int, busyRow);
    QFETCH(QList<double>, idle);
    QFETCH(QList<double>, busy);
    QList<Sample> samples = kDrive;
    if (frozenClock)
        for (Sample& s : samples)
            s.seconds = 0;
    const CellMap map = MapRecording(recordingOf(samples), {basis, Channel::T, filter});
    const auto check = [&](int column, int row, const QList<double>& expected) {
        const CellDwell& cell = map.at(column, row);
        QCOMPARE(double(cell.samples), expected.at(0));
        QCOMPARE(cell.seconds, expected.at(1));
        QVERIFY2(qAbs(cell.percent - expected.at(2)) < 1e-9,
                 qPrintable(QString::number(cell.percent)));
        if (cell.visited()) {
            QCOMPARE(cell.mean, expected.at(3));
            QCOMPARE(cell.minimum, expected.at(4));
            QCOMPARE(cell.maximum, expected.at(5));
        }
    };
    check(1, 1, idle);
    check(6, busyRow, busy);
    // No sample lands anywhere else.
    QCOMPARE(double(map.samples()), idle.at(0) + busy.at(0));
    QCOMPARE(map.seconds(), idle.at(1) + busy.at(1));
}

void CellMapTest::channelNames() {
    QCOMPARE(ChannelByName(QStringLiteral("pvk")), Channel::PVK);
    QCOMPARE(ChannelByName(QStringLiteral("T")), Channel::T);
    QVERIFY(!ChannelByName(QStringLiteral("rpm")));
}

QTEST_APPLESS_MAIN(CellMapTest)
#include "tst_cell_map.moc"
