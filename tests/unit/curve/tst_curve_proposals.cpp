#include "curve_model.h"
#include "curve_proposals.h"

#include <QTest>

#include <cmath>

using namespace curve;

namespace {

// 0 at point 0 rising evenly to `top` at point `at`, falling after it.
QVector<double> rising(double top, int at) {
    QVector<double> y(kPointCount, 0.0);
    for (int i = 0; i < kPointCount; ++i)
        y[i] = i <= at ? top * i / at : top - 0.01 * (i - at);
    return y;
}

} // namespace

class TestCurveProposals : public QObject {
    Q_OBJECT
private slots:
    void lineThroughPointOneAndK();
    void lineRefused_data();
    void lineRefused();
    void arcHalfRatio();
    void arcsRefused_data();
    void arcsRefused();
    void firstRunTakesTheSmallestError();
    void laterRunsFollowTheFallingErrors();
};

void TestCurveProposals::lineThroughPointOneAndK() {
    const QVector<double> y = rising(4, 63);
    const LineResult result = ProposeLine(y, 10);
    QVERIFY(result.error.isEmpty());
    const LineProposal& line = *result.proposal;
    QCOMPARE(line.values.size(), kLinePointCount);
    QVERIFY(std::fabs(line.values.at(1)) < 1e-12);
    QVERIFY(std::fabs(line.values.at(10) - y.at(10)) < 1e-12);
    QVERIFY(line.values.at(0) < 0); // accepting limits it, so 0 is what would be written
    CurveModel model;
    model.acceptValues(0, kPointCount - 1, line.values);
    QCOMPARE(model.text(0), QStringLiteral("0"));
    QCOMPARE(model.values().at(0), 0.0);
}

void TestCurveProposals::lineRefused_data() {
    QTest::addColumn<int>("point");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("key");
    QTest::newRow("point 1") << 1 << 2.0 << kMsgLineSegment;
    QTest::newRow("beyond the curve") << 64 << 2.0 << kMsgLineSegment;
    QTest::newRow("flat at 0: proposed") << 10 << 0.0 << QString();
}

void TestCurveProposals::lineRefused() {
    QFETCH(int, point);
    QFETCH(double, value);
    QFETCH(QString, key);
    QVector<double> y = rising(4, 63);
    if (point < y.size())
        y[point] = value;
    const LineResult result = ProposeLine(y, point);
    QCOMPARE(!result.proposal, !key.isEmpty());
    QCOMPARE(result.error.key, key);
}

void TestCurveProposals::arcHalfRatio() {
    // s = 0, k = 20, e = 63, p = 0.5: the first step carries half of each segment's rise.
    const QVector<double> first = ArcValues(0, 2, 20, 0.5);
    QCOMPARE(first.size(), 21);
    QCOMPARE(first.first(), 0.0);
    QCOMPARE(first.last(), 2.0);
    QVERIFY(std::fabs(first.at(1) - 1.0) < 1e-5);
    QVERIFY(first.at(4) > 2 * 0.93);
    const QVector<double> second = ArcValues(2, 4, 43, 0.5);
    QCOMPARE(second.size(), 44);
    QVERIFY(std::fabs(second.at(1) - 3.0) < 1e-9);
    QCOMPARE(second.last(), 4.0);
    for (int j = 1; j < second.size(); ++j)
        QVERIFY(second.at(j) >= second.at(j - 1));
}

void TestCurveProposals::arcsRefused_data() {
    QTest::addColumn<int>("point");
    QTest::addColumn<QString>("key");
    QTest::newRow("point 0") << 0 << kMsgArcSegment;
    QTest::newRow("the maximum") << 40 << kMsgArcSegment;
    QTest::newRow("beyond the maximum") << 50 << kMsgArcSegment;
    QTest::newRow("equal to the start: a flat arc") << 5 << QString();
}

void TestCurveProposals::arcsRefused() {
    QFETCH(int, point);
    QFETCH(QString, key);
    QVector<double> y = rising(4, 40);
    y[5] = 0;
    ArcMemory memory;
    const ArcMemory before = memory;
    const ArcResult result = ProposeArcs(y, point, memory);
    QCOMPARE(result.error.key, key);
    if (key.isEmpty())
        return; // proposed: a flat first segment
    QCOMPARE(memory.ran, before.ran);
    QCOMPARE(memory.chosen, before.chosen);
}

void TestCurveProposals::firstRunTakesTheSmallestError() {
    // A curve that is exactly the candidates for p = 0.88 (first segment) and p = 0.7 (near p3,
    // second segment, between 0.68 and 0.74).
    const int k = 20;
    const int e = 50;
    QVector<double> y(kPointCount, 0.0);
    const QVector<double> a = ArcValues(0.2, 2.5, k, 0.88);
    const QVector<double> b = ArcValues(2.5, 4.5, e - k, 0.68);
    for (int i = 0; i <= k; ++i)
        y[i] = a.at(i);
    for (int i = k; i <= e; ++i)
        y[i] = b.at(i - k);
    for (int i = e + 1; i < kPointCount; ++i)
        y[i] = 4.0;
    ArcMemory memory;
    const ArcResult result = ProposeArcs(y, k, memory);
    QVERIFY(result.error.isEmpty());
    const ArcProposal& arcs = *result.proposal;
    QCOMPARE(arcs.end, e);
    QCOMPARE(ArcRatios()[arcs.segments[0].chosen], 0.88);
    QCOMPARE(ArcRatios()[arcs.segments[1].chosen], 0.68);
    QCOMPARE(memory.chosen[0], arcs.segments[0].chosen);
    QVERIFY(memory.ran[0] && memory.ran[1]);
}

void TestCurveProposals::laterRunsFollowTheFallingErrors() {
    std::array<double, kArcCandidateCount> errors{};
    for (int u = 0; u < kArcCandidateCount; ++u)
        errors[u] = std::fabs(u - 9.0) + 1; // smallest at candidate 9
    ArcMemory memory;
    QCOMPARE(ChooseArc(errors, memory, 0), 9);
    memory.ran = {true, true};
    memory.chosen = {3, 3};
    memory.lastError = {0.5, 100};
    QCOMPARE(ChooseArc(errors, memory, 0), 9);
    std::array<double, kArcCandidateCount> rising{};
    for (int u = 0; u < kArcCandidateCount; ++u)
        rising[u] = 10 + u;
    QCOMPARE(ChooseArc(rising, memory, 0), 3); // none falls: the previous choice remains
    QCOMPARE(ChooseArc(rising, memory, 1), 0); // below the last error of the previous run
}

QTEST_GUILESS_MAIN(TestCurveProposals)
#include "tst_curve_proposals.moc"
