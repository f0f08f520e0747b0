#include "curve_overlay.h"

#include <QTest>

using namespace curve;

class TestCurveOverlay : public QObject {
    Q_OBJECT
private slots:
    void point_data();
    void point();
    void badFieldKeepsItsValue();
    void markerCount_data();
    void markerCount();
    void trailWrapsWhenLowered();
};

void TestCurveOverlay::point_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("stretched");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("shownX");
    QTest::addColumn<double>("u");
    QTest::addColumn<double>("fuel");
    // Fields low digit first, separated by blanks: 74& word, AA& word, 23% byte, 96% byte.
    QTest::newRow("0x0800, 0x044C") << "0080 C440 A1 32 " << false << 32.0 << 32.0 << 5.0 << 2.6;
    QTest::newRow("stretched") << "0080 C440 A1 32 " << true << 32.0 << 16.0 << 5.0 << 2.6;
    QTest::newRow("truncated") << "0100 F000 F0 00 " << false << 0.25 << 0.25 << 0.07 << 1.5;
    QTest::newRow("X at most 64") << "FFFF 0000 00 00 " << false << 64.0 << 64.0 << 0.0 << 0.0;
    QTest::newRow("half to even") << "0100 0000 00 00 " << true << 0.25 << 0.12 << 0.0 << 0.0;
}

void TestCurveOverlay::point() {
    QFETCH(QString, answer);
    QFETCH(bool, stretched);
    QFETCH(double, x);
    QFETCH(double, shownX);
    QFETCH(double, u);
    QFETCH(double, fuel);
    OverlayFields fields;
    fields.take(answer);
    const OverlayPoint p = OverlayPointOf(fields, stretched);
    QCOMPARE(p.x, x);
    QCOMPARE(p.shownX, shownX);
    QCOMPARE(p.u, u);
    QCOMPARE(p.fuelMs, fuel);
}

void TestCurveOverlay::badFieldKeepsItsValue() {
    OverlayFields fields;
    fields.take(QStringLiteral("0080 C440 A1 32 "));
    const OverlayFields before = fields;
    fields.take(QStringLiteral("00g0 C4?0 A1 32 "));
    QCOMPARE(fields, before);
    fields.take(QStringLiteral("0040 C4")); // the rest of the answer has not arrived yet
    QCOMPARE(fields.positionWord, 0x0400);
    QCOMPARE(fields.voltageWord, before.voltageWord);
}

void TestCurveOverlay::markerCount_data() {
    QTest::addColumn<int>("given");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("interval");
    QTest::newRow("12") << 12 << 12 << 250;
    QTest::newRow("typed 0") << 0 << 6 << 500;
    QTest::newRow("5") << 5 << 6 << 500;
    QTest::newRow("101") << 101 << 100 << 30;
    QTest::newRow("7") << 7 << 7 << 429;
}

void TestCurveOverlay::markerCount() {
    QFETCH(int, given);
    QFETCH(int, count);
    QFETCH(int, interval);
    MarkerTrail trail;
    trail.setCount(given);
    QCOMPARE(trail.count(), count);
    QCOMPARE(OverlayIntervalMs(given), interval);
    QVERIFY(!ParseMarkerCount(QStringLiteral("x1")));
    QCOMPARE(ParseMarkerCount(QStringLiteral(" 12 ")), 12);
}

void TestCurveOverlay::trailWrapsWhenLowered() {
    MarkerTrail trail;
    trail.setCount(12);
    QList<int> placed;
    for (int i = 0; i < 14; ++i)
        placed << trail.next();
    QCOMPARE(placed.mid(10), (QList<int>{11, 12, 1, 2}));
    for (int i = 0; i < 8; ++i)
        trail.next(); // marker 10
    QCOMPARE(trail.last(), 10);
    trail.setCount(6);
    QCOMPARE(trail.next(), 1);
    trail.setCount(0);
    QCOMPARE(trail.count(), 6);
    trail.restart();
    QCOMPARE(trail.next(), 1);
}

QTEST_GUILESS_MAIN(TestCurveOverlay)
#include "tst_curve_overlay.moc"
