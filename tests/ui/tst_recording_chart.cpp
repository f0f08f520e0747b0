#include "recording_chart.h"

#include <QTest>

namespace {

std::array<double, RecordingChart::ChannelSeriesCount> sample(double v) {
    std::array<double, RecordingChart::ChannelSeriesCount> values;
    values.fill(v);
    return values;
}

double maximumShown(const RecordingChart& chart, int series) {
    double best = -1e300;
    for (const QCPGraphData& d : *chart.graph(series)->data())
        best = std::max(best, d.value);
    return best;
}

} // namespace

class TestRecordingChart : public QObject {
    Q_OBJECT
private slots:
    void longRecordingsKeepTheirPeaks_data();
    void longRecordingsKeepTheirPeaks();
    void narrowWindowShowsEveryPoint();
    void redrawFromValues();
};

void TestRecordingChart::longRecordingsKeepTheirPeaks_data() {
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("spikeAt");
    QTest::newRow("short, drawn point by point") << 1000 << 500;
    QTest::newRow("long, spike early") << 100000 << 17;
    QTest::newRow("long, spike in the last point") << 100000 << 99999;
    QTest::newRow("long, odd count") << 54321 << 30001;
}

void TestRecordingChart::longRecordingsKeepTheirPeaks() {
    QFETCH(int, points);
    QFETCH(int, spikeAt);
    RecordingChart chart(1);
    for (int i = 0; i < points; ++i)
        chart.appendPoint(sample(i == spikeAt ? 99.0 : (i % 7) * 0.5));
    QCOMPARE(chart.pointCount(), points);
    QCOMPARE(chart.drawsEnvelope(), points > 4000);
    for (int s = 0; s < RecordingChart::ChannelSeriesCount; ++s)
        QCOMPARE(maximumShown(chart, s), 99.0);
    QVERIFY(chart.graph(0)->dataCount() <= 2 * 1024 + 2 || points <= 4000);
    QCOMPARE(chart.value(3, spikeAt), 99.0);
}

void TestRecordingChart::narrowWindowShowsEveryPoint() {
    RecordingChart chart(2);
    QCOMPARE(chart.objectName(), QStringLiteral("ChartM_2"));
    for (int i = 0; i < 20000; ++i)
        chart.appendPoint(sample(i));
    QVERIFY(chart.drawsEnvelope());
    chart.setBottomWindow(28, 40);
    QVERIFY(!chart.drawsEnvelope());
    const QCPGraph* g = chart.graph(0);
    QCOMPARE(g->data()->at(0)->key, 27.0); // one point beyond each edge keeps the lines whole
    QCOMPARE(g->dataCount(), 15);
    for (const QCPGraphData& d : *g->data())
        QCOMPARE(d.value, d.key);
    chart.appendPoint(sample(20000)); // outside the window: nothing to draw
    QCOMPARE(g->dataCount(), 15);
    chart.setBottomAutomatic();
    QVERIFY(chart.drawsEnvelope());
}

void TestRecordingChart::redrawFromValues() {
    RecordingChart chart(3);
    std::array<QVector<double>, RecordingChart::ChannelSeriesCount> values;
    values[1] = {1.23, 4.5, 6};
    chart.setValues(values);
    QCOMPARE(chart.pointCount(), 3);
    QCOMPARE(chart.graph(1)->dataCount(), 3);
    QCOMPARE(chart.graph(1)->data()->at(0)->value, 1.23);
    QCOMPARE(chart.graph(0)->dataCount(), 0);
    chart.clearSeries();
    QCOMPARE(chart.pointCount(), 0);
    QCOMPARE(chart.graph(1)->dataCount(), 0);
}

QTEST_MAIN(TestRecordingChart)
#include "tst_recording_chart.moc"
