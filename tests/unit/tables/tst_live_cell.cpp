// The live cell: speed and load placed between the table's labels.
#include "live_cell.h"

#include <QTest>

Q_DECLARE_METATYPE(CorrectionBasis)

class LiveCellTest : public QObject {
    Q_OBJECT
private slots:
    void position_data();
    void position();
    void trail();
};

void LiveCellTest::position_data() {
    QTest::addColumn<double>("rpm");
    QTest::addColumn<double>("load");
    QTest::addColumn<CorrectionBasis>("basis");
    QTest::addColumn<double>("column");
    QTest::addColumn<double>("row");
    QTest::addColumn<int>("nearestColumn");
    QTest::addColumn<int>("nearestRow");
    const auto ms = CorrectionBasis::InjectionTime;
    const auto volts = CorrectionBasis::Maf;
    // 3000 rpm lies a quarter of the way from 2400 to 4800; 8 ms halfway from 6,4 to 9,6.
    QTest::newRow("between labels") << 3000.0 << 8.0 << ms << 6.25 << 3.5 << 6 << 4;
    QTest::newRow("on labels") << 670.0 << 0.1 << ms << 1.0 << 1.0 << 1 << 1;
    QTest::newRow("idle below the first speed, held") << 500.0 << 0.0 << ms << 1.0 << 1.0 << 1 << 1;
    QTest::newRow("beyond the last labels, held") << 12000.0 << 30.0 << ms << 8.0 << 8.0 << 8 << 8;
    // 2,2 V: between 1,9 (row 4) and 2,5 (row 5), at half.
    QTest::newRow("MAF voltage") << 1200.0 << 2.2 << volts << 4.0 << 4.5 << 4 << 5;
}

void LiveCellTest::position() {
    QFETCH(double, rpm);
    QFETCH(double, load);
    QFETCH(CorrectionBasis, basis);
    QFETCH(double, column);
    QFETCH(double, row);
    QFETCH(int, nearestColumn);
    QFETCH(int, nearestRow);
    const LiveCell cell = LiveCellOf(rpm, load, basis);
    QCOMPARE(cell.column, column);
    QVERIFY(qAbs(cell.row - row) < 1e-12);
    QCOMPARE(cell.nearestColumn(), nearestColumn);
    QCOMPARE(cell.nearestRow(), nearestRow);
}

void LiveCellTest::trail() {
    QList<LiveCell> trail;
    for (int i = 0; i < kLiveTrail + 2; ++i)
        AddToTrail(trail, {1.0 + i * 0.5, 2});
    AddToTrail(trail, {1.0 + (kLiveTrail + 1) * 0.5, 2}); // the same as the newest
    QCOMPARE(trail.size(), kLiveTrail);
    QCOMPARE(trail.first().column, 1.0 + (kLiveTrail + 1) * 0.5);
    QCOMPARE(trail.last().column, 2.0);
}

QTEST_APPLESS_MAIN(LiveCellTest)
#include "tst_live_cell.moc"
