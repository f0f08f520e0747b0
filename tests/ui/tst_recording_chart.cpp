#include "recording_chart.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

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
    void bottomAxisShowsSampleTimes_data();
    void bottomAxisShowsSampleTimes();
    void hoverWidthEndsWhenTheMouseLeaves();
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

void TestRecordingChart::bottomAxisShowsSampleTimes_data() {
    QTest::addColumn<int>("points");
    QTest::addColumn<QStringList>("labels"); // of the ticks inside the points
    // Samples 0.25 s apart: ticks only on whole points, each labelled with its time.
    QTest::newRow("three samples") << 3 << QStringList{"0", "0,25", "0,5"};
    QTest::newRow("two samples") << 2 << QStringList{"0", "0,25"};
}

void TestRecordingChart::bottomAxisShowsSampleTimes() {
    QFETCH(int, points);
    QFETCH(QStringList, labels);
    RecordingChart chart(1);
    chart.resize(600, 300);
    chart.setPointLabels([](int index) { return QString::number(index * 0.25).replace('.', ','); });
    for (int i = 0; i < points; ++i)
        chart.appendPoint(sample(i));
    chart.replot();
    QStringList shown;
    const QVector<double> ticks = chart.xAxis->tickVector();
    const QVector<QString> texts = chart.xAxis->tickVectorLabels();
    for (int i = 0; i < ticks.size(); ++i) {
        QCOMPARE(ticks[i], std::round(ticks[i])); // never between two points
        if (!texts[i].isEmpty())
            shown << texts[i];
    }
    QCOMPARE(shown, labels);
}

void TestRecordingChart::hoverWidthEndsWhenTheMouseLeaves() {
    RecordingChart chart(1);
    chart.resize(400, 300);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    for (int i = 0; i < 10; ++i)
        chart.appendPoint(sample(5));
    chart.replot();
    QSignalSpy hovered(&chart, &RecordingChart::seriesHovered);
    const QPoint onLine(int(chart.xAxis->coordToPixel(4)), int(chart.yAxis->coordToPixel(5)));
    QMouseEvent move(QEvent::MouseMove, onLine, chart.mapToGlobal(onLine), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&chart, &move);
    QVERIFY(!hovered.isEmpty());
    const int series = hovered.last().at(0).toInt();
    QVERIFY(series >= 0);
    QCOMPARE(chart.graph(series)->pen().width(), 5);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&chart, &leave);
    QCOMPARE(hovered.last().at(0).toInt(), -1);
    QVERIFY(chart.graph(series)->pen().width() < 5);
}

QTEST_MAIN(TestRecordingChart)
#include "tst_recording_chart.moc"
