// The live chart page driven through its named controls, with the recorder behind it.
#include "chart_page.h"
#include "decimal_format.h"
#include "journal_sink.h"
#include "live_recorder.h"
#include "memory_port.h"
#include "module_settings.h"
#include "recording_chart.h"
#include "transaction_engine.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

namespace {

struct Rig {
    Rig() {
        port.OpenPort();
        engine.setAutomaticTicks(false);
        recorder.setDecimalFormat(DecimalFormat(u','));
        page.show();
    }
    template <typename T> T* control(const char* name) {
        T* found = page.findChild<T*>(QLatin1String(name));
        if (!found)
            qWarning() << "no control" << name;
        return found;
    }
    bool shown(const char* name) { return !control<QWidget>(name)->isHidden(); }

    MemoryPort port;
    StringListJournal journal;
    TransactionEngine engine{port, journal};
    ModuleSettingsModel settings;
    telemetry::LiveRecorder recorder{engine, settings};
    ChartPage page{recorder};
};

} // namespace

class TestChartPage : public QObject {
    Q_OBJECT
private slots:
    void averagingButtons_data();
    void averagingButtons();
    void colourButtonsFollowTheRecorder();
    void saveWithoutRecordingSaysSoBeforeTheDialog();
    void waterPressureChannel_data();
    void waterPressureChannel();
    void hoverHintIsTheRowsCaption();
    void fitPerValueAxis_data();
    void fitPerValueAxis();
};

void TestChartPage::averagingButtons_data() {
    QTest::addColumn<QString>("front"); // line 10 of Info_A.ini
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<bool>("averaging");
    QTest::addColumn<QString>("frontAfter");
    QTest::newRow("Норма at start: stays plain, Среднее comes forward")
        << "0" << QStringList{"atb_RT_TCNorma"} << false << "atb_RT_TCAverage";
    QTest::newRow("then Среднее: averaging, Норма forward")
        << "0" << QStringList{"atb_RT_TCNorma", "atb_RT_TCAverage"} << true << "atb_RT_TCNorma";
    QTest::newRow("Среднее in front after a restart averages at once")
        << "1" << QStringList{"atb_RT_TCAverage"} << true << "atb_RT_TCNorma";
    QTest::newRow("and Норма ends it")
        << "1" << QStringList{"atb_RT_TCAverage", "atb_RT_TCNorma"} << false << "atb_RT_TCAverage";
}

void TestChartPage::averagingButtons() {
    QFETCH(QString, front);
    QFETCH(QStringList, clicks);
    QFETCH(bool, averaging);
    QFETCH(QString, frontAfter);
    Rig rig;
    InfoSettings info;
    info.fuelConsumptionFront = front;
    rig.page.applyInfo(info);
    QVERIFY(!rig.recorder.AveragingOn()); // averaging always starts off
    for (const QString& name : std::as_const(clicks)) {
        auto* button = rig.control<QToolButton>(name.toLatin1().constData());
        QVERIFY2(!button->isHidden(), qPrintable(name + " is not in front"));
        button->click();
    }
    QCOMPARE(rig.recorder.AveragingOn(), averaging);
    QVERIFY(rig.shown(frontAfter.toLatin1().constData()));
    const char* other =
        frontAfter == QLatin1String("atb_RT_TCNorma") ? "atb_RT_TCAverage" : "atb_RT_TCNorma";
    QVERIFY(!rig.shown(other));
    InfoSettings stored;
    rig.page.storeInfo(stored);
    QCOMPARE(stored.fuelConsumptionFront,
             QString(frontAfter == QLatin1String("atb_RT_TCAverage") ? "1" : "0"));
}

void TestChartPage::colourButtonsFollowTheRecorder() {
    Rig rig;
    auto* colour = rig.control<QToolButton>("atb_TVT_Color");
    auto* fuelUsed = rig.control<QToolButton>("atb_KRT_Color");
    rig.control<QCheckBox>("cb_T_vpryska_topl")->setChecked(true);
    QVERIFY(rig.recorder.start());
    QVERIFY(rig.recorder.stop());
    QVERIFY(rig.recorder.deleteCurrent()); // the last tab: nothing left to colour
    QVERIFY(!colour->isEnabled());
    QVERIFY(!fuelUsed->isEnabled());
    rig.page.afterUnlock(); // an unlock of the interface does not bring them back
    QVERIFY(!colour->isEnabled());
    QVERIFY(!fuelUsed->isEnabled());
    QVERIFY(rig.recorder.start()); // a new recording can be coloured again
    colour->setEnabled(false);     // the interface lock: the dashes still show the line's colour
    const QImage dashes = colour->grab().toImage();
    bool shown = false;
    for (int i = 0; i < dashes.width() * dashes.height(); ++i)
        shown |= dashes.pixelColor(i % dashes.width(), i / dashes.width()) == QColor(255, 255, 0);
    QVERIFY(shown);
    QVERIFY(rig.recorder.stop());
    rig.page.afterUnlock();
    QVERIFY(fuelUsed->isEnabled());
}

void TestChartPage::saveWithoutRecordingSaysSoBeforeTheDialog() {
    Rig rig;
    int asked = 0;
    rig.page.askSaveFileName = [&] {
        ++asked;
        return QString();
    };
    QSignalSpy keys(&rig.page, &ChartPage::messageKey);
    rig.control<QToolButton>("atb_Param_Save_2")->click();
    QCOMPARE(asked, 0);
    QCOMPARE(keys.size(), 1);
    QCOMPARE(keys.first().at(0).toString(), QStringLiteral("Msg_NoRecording"));
}

void TestChartPage::waterPressureChannel_data() {
    QTest::addColumn<bool>("present");
    QTest::newRow("bit 0 = 0: absent") << false;
    QTest::newRow("bit 0 = 1: present") << true;
}

void TestChartPage::waterPressureChannel() {
    QFETCH(bool, present);
    Rig rig;
    auto* radio = rig.control<QRadioButton>("rbDP");
    radio->setChecked(true);
    const QString caption = rig.control<QLabel>("Lbl_DP_Caption")->text();
    rig.page.showWaterPressure(false);
    rig.page.showWaterPressure(present);
    for (const char* name : {"Lbl_DP", "cb_DP", "atb_DP_Color", "rbDP"})
        QCOMPARE(rig.shown(name), present);
    auto* panel20 = rig.control<QLabel>("Lbl_DP_Caption");
    QCOMPARE(panel20->isEnabled(), present);
    QCOMPARE(panel20->text(), present ? caption : QString());
    QVERIFY(!radio->isChecked()); // unchecked in both cases

    // A language sets the caption; showing the channel again keeps the language's caption.
    panel20->setText(QStringLiteral("Water pressure, bar "));
    rig.page.showWaterPressure(present);
    QCOMPARE(panel20->text(), present ? QStringLiteral("Water pressure, bar ") : QString());
    rig.page.showWaterPressure(true);
    QCOMPARE(panel20->text(), QStringLiteral("Water pressure, bar "));
}

void TestChartPage::hoverHintIsTheRowsCaption() {
    Rig rig;
    // As a language file leaves it.
    rig.control<QLabel>("Lbl_T_Caption")->setText(QStringLiteral("Temperature, deg. C "));
    QVERIFY(rig.recorder.start());
    auto* chart = rig.page.findChild<RecordingChart*>(QStringLiteral("ChartM_1"));
    QVERIFY(chart);
    emit chart->seriesHovered(int(telemetry::Channel::T));
    QCOMPARE(chart->toolTip(), QStringLiteral("Temperature, deg. C"));
    emit chart->seriesHovered(-1);
    QCOMPARE(chart->toolTip(), QString());
}

void TestChartPage::fitPerValueAxis_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<double>("from"); // the visible window; -1: all points
    QTest::addColumn<double>("to");
    QTest::addColumn<QList<int>>("active");
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    // Series 0: i, series 1: 50 - i, series 8: 1000 + 10 i, series 9: 700 (i = 0 .. 99).
    QTest::newRow("left, all points")
        << "sb_AxLeft_Fit" << -1.0 << -1.0 << QList<int>{0, 1, 8, 9} << -49.0 << 99.0;
    QTest::newRow("left, a window")
        << "sb_AxLeft_Fit" << 10.0 << 20.0 << QList<int>{0, 1, 8, 9} << 10.0 << 40.0;
    QTest::newRow("left, a window between points")
        << "sb_AxLeft_Fit" << 10.5 << 20.5 << QList<int>{0} << 11.0 << 20.0;
    QTest::newRow("right, hidden series left out")
        << "sb_AxRight_Fit" << 10.0 << 20.0 << QList<int>{0, 8} << 1100.0 << 1200.0;
    QTest::newRow("right, a flat series gets one either side")
        << "sb_AxRight_Fit" << 10.0 << 20.0 << QList<int>{9} << 699.0 << 701.0;
}

// A fit sets the axis and its edits to the visible values of the axis' active series.
void TestChartPage::fitPerValueAxis() {
    QFETCH(QString, button);
    QFETCH(double, from);
    QFETCH(double, to);
    QFETCH(QList<int>, active);
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    Rig rig;
    QVERIFY(rig.recorder.start());
    RecordingChart* chart = rig.page.currentChart();
    QVERIFY(chart);
    std::array<QVector<double>, RecordingChart::ChannelSeriesCount> values;
    for (int i = 0; i < 100; ++i) {
        values[0].append(i);
        values[1].append(50 - i);
        values[8].append(1000 + 10 * i);
        values[9].append(700);
        for (int s : {2, 3, 4, 5, 6, 7})
            values[size_t(s)].append(qQNaN());
    }
    chart->setValues(values);
    for (int s = 0; s < RecordingChart::ChannelSeriesCount; ++s)
        chart->setSeriesActive(s, active.contains(s));
    if (from >= 0)
        chart->setBottomWindow(from, to);
    else
        chart->setBottomAutomatic();
    const auto axis =
        button.contains(u"Left") ? telemetry::ValueAxis::Left : telemetry::ValueAxis::Right;
    rig.control<QToolButton>(qPrintable(button))->click();
    const QCPRange shown =
        axis == telemetry::ValueAxis::Left ? chart->yAxis->range() : chart->yAxis2->range();
    QCOMPARE(shown.lower, minimum);
    QCOMPARE(shown.upper, maximum);
    QCOMPARE(rig.recorder.axes().edit(axis, telemetry::AxisEnd::Minimum), minimum);
    QCOMPARE(rig.recorder.axes().edit(axis, telemetry::AxisEnd::Maximum), maximum);
}

QTEST_MAIN(TestChartPage)
#include "tst_chart_page.moc"
