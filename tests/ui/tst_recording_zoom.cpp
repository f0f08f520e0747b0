// The recording chart as a log viewer: wheel zoom of the time axis, right-drag pan, double-click
// fit; offscreen.
#include "recording_chart.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

namespace {

struct Chart {
    Chart() : chart(1) {
        chart.resize(800, 400);
        chart.show();
        std::array<QVector<double>, RecordingChart::ChannelSeriesCount> values;
        for (int i = 0; i < 1000; ++i)
            values[0].append(i % 7);
        chart.setValues(values);
        drawn();
    }
    void wheel(double atX, int notches) {
        const QPointF at(chart.xAxis->coordToPixel(atX), 200);
        QWheelEvent e(at, chart.mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&chart, &e);
    }
    bool drawn() { // once control is back in the event loop, with no mouse move
        QSignalSpy replots(&chart, &QCustomPlot::afterReplot);
        QApplication::processEvents();
        return !replots.isEmpty();
    }
    RecordingChart chart;
};

} // namespace

class TestRecordingZoom : public QObject {
    Q_OBJECT
private slots:
    void wheelZoomsAroundThePointer();
    void rightDragPansWithinTheRecording();
    void doubleClickShowsEverything();
    void cursorLineCarriesTheTime();
};

void TestRecordingZoom::wheelZoomsAroundThePointer() {
    Chart c;
    QVERIFY(c.chart.bottomAutomatic());
    c.wheel(500, 1);
    QVERIFY(c.drawn());
    const QCPRange once = c.chart.xAxis->range();
    QVERIFY(!c.chart.bottomAutomatic());
    QVERIFY(once.size() < 999 * 0.81 && once.size() > 999 * 0.79);
    QVERIFY(once.contains(500));
    // The point under the pointer stays where it was: 500 splits the window as 0..999 did.
    QVERIFY(qAbs((500 - once.lower) / once.size() - 500.0 / 999) < 0.01);
    c.wheel(500, 30);
    QCOMPARE(c.chart.xAxis->range().size(), double(RecordingChart::MinimumSpan));
    QVERIFY(!c.chart.drawsEnvelope());
    c.wheel(500, -40); // out beyond the whole recording: all points again
    QVERIFY(c.chart.bottomAutomatic());
}

void TestRecordingZoom::rightDragPansWithinTheRecording() {
    Chart c;
    c.chart.setBottomWindow(100, 200);
    c.drawn();
    const QPoint from(int(c.chart.xAxis->coordToPixel(150)), 200);
    const QPoint to(int(c.chart.xAxis->coordToPixel(130)), 200);
    QTest::mousePress(&c.chart, Qt::RightButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), c.chart.mapToGlobal(QPointF(to)), Qt::NoButton,
                     Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(&c.chart, &move);
    QVERIFY(c.drawn()); // before the button is released
    QTest::mouseRelease(&c.chart, Qt::RightButton, {}, to);
    QVERIFY(qAbs(c.chart.xAxis->range().lower - 120) < 1.5); // dragged left: later points
    QVERIFY(qAbs(c.chart.xAxis->range().size() - 100) < 1e-9);
    QVERIFY(!c.chart.markerVisible()); // a pan leaves the marker alone
    c.chart.panTime(-1000);
    QCOMPARE(c.chart.xAxis->range().lower, 0.0);
    c.chart.panTime(5000);
    QCOMPARE(c.chart.xAxis->range().upper, 999.0);
}

void TestRecordingZoom::doubleClickShowsEverything() {
    Chart c;
    c.chart.setBottomWindow(300, 400);
    c.drawn();
    QTest::mouseClick(&c.chart, Qt::LeftButton, {}, QPoint(c.chart.xAxis->coordToPixel(320), 9));
    QTest::mouseClick(&c.chart, Qt::LeftButton, {}, QPoint(400, 200)); // the double click's first
    QTest::mouseDClick(&c.chart, Qt::LeftButton, {}, QPoint(400, 200));
    QCOMPARE(c.chart.cursorTimeText(), QStringLiteral("320")); // the cursor line stays
    QVERIFY(c.chart.bottomAutomatic());
    QCOMPARE(c.chart.xAxis->range().lower, 0.0);
    QCOMPARE(c.chart.xAxis->range().upper, 999.0);
}

void TestRecordingZoom::cursorLineCarriesTheTime() {
    Chart c;
    c.chart.setPointLabels([](int i) { return QString::number(i * 0.5) + QStringLiteral(" s"); });
    c.chart.replot();
    QSignalSpy cursor(&c.chart, &RecordingChart::cursorMoved);
    c.chart.setBottomWindow(200, 280); // 10 pixels a point
    c.chart.replot();
    const QPoint at(int(std::lround(c.chart.xAxis->coordToPixel(240))), 200);
    QTest::mouseClick(&c.chart, Qt::LeftButton, {}, at);
    QCOMPARE(cursor.count(), 1);
    QCOMPARE(cursor.first().first().toInt(), 240);
    QVERIFY(c.chart.markerVisible());
    QCOMPARE(c.chart.cursorTimeText(), QStringLiteral("120 s"));
    c.chart.setMarker(0, false);
    QVERIFY(c.chart.cursorTimeText().isEmpty());
}

QTEST_MAIN(TestRecordingZoom)
#include "tst_recording_zoom.moc"
