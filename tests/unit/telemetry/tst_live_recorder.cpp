#include "journal_sink.h"
#include "languages.h"
#include "live_recorder.h"
#include "memory_port.h"
#include "module_settings.h"
#include "record_file.h"
#include "transaction_engine.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace telemetry;

namespace {

// Answers as the module sends them, each field followed by one separator character.
const QString kFactorAnswer = QStringLiteral("C210"); // 300
const QString kFuelAnswer = QStringLiteral("1234567891A2B");
const QString kCounterAnswer = QStringLiteral("12 2010 B7 91 ");
const QString kSensorAnswer = QStringLiteral("0420 6E00 4830 6220 ");
const QString kOpeningAnswer = QStringLiteral("12 3456 7890 AB ");

// The recorder on an engine whose ticks the test drives, over an in-memory port.
struct Rig {
    Rig() {
        port.OpenPort();
        engine.setAutomaticTicks(false);
        engine.setLateAnswerWindowMs(0); // the test's ticks measure it
        recorder.setDecimalFormat(DecimalFormat(u','));
        settings.edit([](ModuleSettings& s) { s.FuelFlowDigits = {0xC, 2, 1, 0}; });
    }
    // One poll tick, then the module's answer (none when empty).
    void pollStep(const QString& answer) {
        recorder.poll().tick();
        if (!answer.isEmpty())
            port.feed(answer);
    }
    void fullCycleAfterFirstTick() {
        pollStep(kFactorAnswer);
        pollStep(kFactorAnswer);
        pollStep(kFuelAnswer);
        pollStep(kCounterAnswer);
        pollStep(kSensorAnswer);
        pollStep(QStringLiteral("6220"));
    }
    void graphTicks(int count) {
        for (int i = 0; i < count; ++i)
            recorder.graphTick();
    }
    Recording* recording(int index) const { return recorder.archive().at(index); }

    MemoryPort port;
    StringListJournal journal;
    TransactionEngine engine{port, journal};
    ModuleSettingsModel settings;
    LiveRecorder recorder{engine, settings};
};

// The fuel batch of the worked example in the slots, so every tick shows TVT 3.3 and PVK 27.8.
TelemetryDigits exampleDigits() {
    TelemetryDigits d;
    DecodeFuelBatch(kFuelAnswer, d);
    return d;
}

// "P | stop delete": the buttons shown (Start, Pause, Continue), then those enabled.
QString describe(const RecorderControls& c) {
    QString shown;
    if (c.startVisible)
        shown += u'S';
    if (c.pauseVisible)
        shown += u'P';
    if (c.continueVisible)
        shown += u'C';
    QStringList enabled;
    if (c.stopEnabled)
        enabled << QStringLiteral("stop");
    if (c.deleteEnabled)
        enabled << QStringLiteral("delete");
    if (c.navigationEnabled)
        enabled << QStringLiteral("navigation");
    if (c.fileButtonsEnabled)
        enabled << QStringLiteral("files");
    if (c.disconnectEnabled)
        enabled << QStringLiteral("disconnect");
    return shown + QStringLiteral(" | ") + enabled.join(u' ');
}

} // namespace

class TestLiveRecorder : public QObject {
    Q_OBJECT
private slots:
    void firstCycleOfARecording();
    void laterCyclesOpenWithTheUndecodedBatch();
    void splitAnswerIsDecodedWhenComplete();
    void wrongLengthHoldsTheValuesAndMovesOn();
    void timeBaseAndClampAfterFourSeconds_data();
    void timeBaseAndClampAfterFourSeconds();
    void startClearsOnlyTheTvtAndPvkHistory();
    void connectionDigitsAreTakenOver();
    void fuelCounterReset();
    void moduleErrorStopsTheGraphTick();
    void stateMachine_data();
    void stateMachine();
    void runningRecordingKeepsItsPointsWhenAnOlderTabIsSelected();
    void pageDisplayOfTheLiveRecording();
    void navigationOfTheCurrentRecording();
    void graphIntervalIsTakenAtStart();
    void saveAndLoad();
    void badFileCreatesNoTab();
    void checkBoxesShowSeries();
};

void TestLiveRecorder::firstCycleOfARecording() {
    Rig rig;
    QVERIFY(rig.recorder.start());
    QCOMPARE(rig.recorder.poll().FirstPollFlag(), 1);
    rig.recorder.graphTick();
    QCOMPARE(rig.recorder.FuelFlowFactor(), 300.0); // from the connection read's digits
    QCOMPARE(rig.engine.PendingCommand(), kFactorCommand);
    QVERIFY(rig.recorder.poll().isEnabled());
    QCOMPARE(rig.recording(0)->sampleCount(), 1);

    rig.fullCycleAfterFirstTick();
    QCOMPARE(rig.port.writes,
             QStringList({"47&", "47&", "23%03&65&", "04%14&96%D6%", "2A&4A&6A&AA&", "AA&"}));
    QVERIFY(!rig.recorder.poll().isEnabled()); // the answer to "AA&" ends the cycle
    QCOMPARE(rig.recorder.poll().FirstPollFlag(), 2);

    rig.recorder.graphTick();
    const LiveRecorder& r = rig.recorder;
    QCOMPARE(r.channel(Channel::TVT).current, 3.3);
    QCOMPARE(r.channel(Channel::PVK).current, 27.8);
    QCOMPARE(r.channel(Channel::RashTopl).current, 1774.921); // 30292 × 300 / 5120, unclamped
    QCOMPARE(r.channel(Channel::RT).current, 12.3);
    QCOMPARE(r.channel(Channel::RTT).current, 2.5);
    QCOMPARE(r.channel(Channel::DP).current, 3.6);
    QCOMPARE(r.channel(Channel::II).current, 2.3);
    QCOMPARE(r.channel(Channel::T).current, 90.0);
    QCOMPARE(r.channel(Channel::U_analog).current, 2.75);
    QCOMPARE(r.channel(Channel::Per4_imp).current, 0.0);
    QCOMPARE(r.fuelUsed(), 3.781); // 66081 × 300 / 20480 / 256
    QCOMPARE(r.fuelUsedText(), QStringLiteral("3,781"));
    QCOMPARE(r.channelText(Channel::PVK), QStringLiteral("27,8"));
    QCOMPARE(r.sampleTimeText(), QStringLiteral("0,25"));

    // The second sample's grid row: hundredths, truncated.
    QCOMPARE(rig.recording(0)->grid().row(1),
             (SampleRow{25, 330, 177492, 275, 1230, 250, 230, 9000, 360, 2780, 0}));
    QCOMPARE(rig.recording(0)->sampleTimeText(1, r.decimalFormat()), QStringLiteral("0,25"));
    QCOMPARE(rig.recording(0)->value(8, 1), 27.8);
    // One journal line per receive event.
    QCOMPARE(rig.journal.lines().size(), 6);
}

void TestLiveRecorder::laterCyclesOpenWithTheUndecodedBatch() {
    Rig rig;
    rig.recorder.start();
    rig.recorder.graphTick();
    rig.fullCycleAfterFirstTick();
    rig.port.writes.clear();
    rig.recorder.graphTick();
    rig.pollStep(kOpeningAnswer);
    rig.pollStep(kFuelAnswer);
    rig.pollStep(kCounterAnswer);
    rig.pollStep(kSensorAnswer);
    rig.pollStep(QStringLiteral("6220"));
    QCOMPARE(rig.port.writes,
             QStringList({"04%14&D4&23%", "23%03&65&", "04%14&96%D6%", "2A&4A&6A&AA&", "AA&"}));
    QVERIFY(!rig.recorder.poll().isEnabled());
    // The factor is taken on a recording's first tick only.
    QCOMPARE(rig.recorder.poll().digits().FuelFlow, (std::array<int, 4>{12, 2, 1, 0}));
}

void TestLiveRecorder::splitAnswerIsDecodedWhenComplete() {
    Rig rig;
    rig.recorder.start();
    rig.recorder.graphTick();
    rig.pollStep(kFactorAnswer);
    rig.pollStep(kFactorAnswer);
    rig.pollStep(kFuelAnswer.left(5));
    // The step moved on at once, but nothing was decoded from the first piece.
    QCOMPARE(rig.engine.PendingCommand(), kCounterBatch);
    QCOMPARE(rig.recorder.poll().digits().PVK, (std::array<int, 4>{}));
    rig.port.feed(kFuelAnswer.mid(5));
    QCOMPARE(rig.recorder.poll().digits().TVT, exampleDigits().TVT);
    QCOMPARE(rig.recorder.poll().digits().RashTopl, exampleDigits().RashTopl);
    QCOMPARE(rig.recorder.poll().digits().PVK, exampleDigits().PVK);
    QCOMPARE(rig.engine.PendingCommand(), kCounterBatch);
}

void TestLiveRecorder::wrongLengthHoldsTheValuesAndMovesOn() {
    Rig rig;
    rig.recorder.poll().setDigits(exampleDigits());
    rig.recorder.start();
    rig.recorder.graphTick();
    rig.pollStep(kFactorAnswer);
    rig.pollStep(kFactorAnswer);
    rig.pollStep(QStringLiteral("FF00000000000")); // 13 characters: decoded
    rig.pollStep(kCounterAnswer);
    QCOMPARE(rig.port.writes.last(), kCounterBatch);

    rig.recorder.poll().setDigits(exampleDigits());
    rig.recorder.graphTick();
    rig.pollStep(kOpeningAnswer);
    rig.pollStep(QStringLiteral("FF0000000000")); // 12 characters: nothing decoded
    QCOMPARE(rig.recorder.poll().digits().TVT, exampleDigits().TVT);
    // The missing character may still come: the next batch waits three quiet ticks for it.
    const qsizetype sent = rig.port.writes.size();
    rig.pollStep(QString());
    rig.pollStep(QString());
    QCOMPARE(rig.port.writes.size(), sent);
    rig.pollStep(QString());
    QCOMPARE(rig.port.writes.last(), kCounterBatch);
    rig.recorder.graphTick();
    QCOMPARE(rig.recorder.channel(Channel::TVT).current, 3.3);
    QCOMPARE(rig.recorder.channel(Channel::PVK).current, 27.8);
}

void TestLiveRecorder::timeBaseAndClampAfterFourSeconds_data() {
    QTest::addColumn<int>("item"); // of cb_Int_Graf_In
    QTest::addColumn<int>("intervalMs");
    QTest::addColumn<int>("firstClamped");     // ElapsedSeconds before its update exceeds 4.0
    QTest::newRow("250 ms") << 1 << 250 << 18; // 17 x 0.25 = 4.25
    // 20 x 0.2 is 4.0, not more: sample 21 is not clamped yet (summing 0.2 would clamp it).
    QTest::newRow("200 ms") << 0 << 200 << 22;
    QTest::newRow("1500 ms") << 4 << 1500 << 4;
}

void TestLiveRecorder::timeBaseAndClampAfterFourSeconds() {
    QFETCH(int, item);
    QFETCH(int, intervalMs);
    QFETCH(int, firstClamped);
    Rig rig;
    rig.recorder.setDeviationLimit(10);
    rig.recorder.setGraphIntervalItem(item);
    rig.recorder.poll().setDigits(exampleDigits());
    rig.recorder.start();
    const int ticks = firstClamped + 3;
    rig.graphTicks(ticks);
    const Recording* rec = rig.recording(0);
    QCOMPARE(rec->sampleCount(), ticks);
    for (int k = 0; k < ticks; ++k) {
        QCOMPARE(rec->grid().cell(k, kStepColumn), double(k * intervalMs / 10));
        QCOMPARE(rec->value(SeriesOf(Channel::PVK), k), k < firstClamped ? 27.8 : 100.0);
        QCOMPARE(rec->value(SeriesOf(Channel::TVT), k), 3.3);
    }
    QCOMPARE(rig.recorder.ElapsedSeconds(), double((ticks - 1) * intervalMs) / 1000);
    QCOMPARE(rig.recorder.SampleTime(), double((ticks - 1) * intervalMs) / 1000);
}

void TestLiveRecorder::startClearsOnlyTheTvtAndPvkHistory() {
    Rig rig;
    TelemetryDigits d = exampleDigits();
    DecodeCounterBatch(kCounterAnswer, d);
    rig.recorder.poll().setDigits(d);
    rig.recorder.start();
    rig.graphTicks(3);
    rig.recorder.stop();
    rig.recorder.start();
    QCOMPARE(rig.recorder.channel(Channel::TVT).previous, 0.0);
    QCOMPARE(rig.recorder.channel(Channel::PVK).beforePrevious, 0.0);
    QCOMPARE(rig.recorder.channel(Channel::TVT).current, 3.3);
    QCOMPARE(rig.recorder.channel(Channel::RT).previous, 12.3);
    QCOMPARE(rig.recorder.ElapsedSeconds(), 0.0);
    QCOMPARE(rig.recorder.pageState(), PageState());
    QCOMPARE(rig.recorder.poll().FirstPollFlag(), 1);
}

void TestLiveRecorder::connectionDigitsAreTakenOver() {
    Rig rig;
    QCOMPARE(rig.recorder.poll().digits().FuelFlow, (std::array<int, 4>{12, 2, 1, 0}));
    TelemetryDigits polled = rig.recorder.poll().digits();
    polled.FuelFlow = {1, 1, 1, 1};
    polled.FuelCounter = {5, 5, 5, 5, 5, 5};
    rig.recorder.poll().setDigits(polled);
    // Another setting changes: the digits read by the poll since stay.
    rig.settings.edit([](ModuleSettings& s) { s.KFuel = 181; });
    QCOMPARE(rig.recorder.poll().digits().FuelFlow, (std::array<int, 4>{1, 1, 1, 1}));
    // A new read of the counter is taken over, the factor stays.
    rig.settings.edit([](ModuleSettings& s) { s.FuelCounterDigits = {1, 2, 0, 0, 0, 0}; });
    QCOMPARE(rig.recorder.poll().digits().FuelCounter, (std::array<int, 6>{1, 2, 0, 0, 0, 0}));
    QCOMPARE(rig.recorder.poll().digits().FuelFlow, (std::array<int, 4>{1, 1, 1, 1}));

    // The first tick of a recording already shows the module's count.
    rig.recorder.start();
    rig.recorder.graphTick();
    QCOMPARE(rig.recorder.FuelFlowFactor(), 4369.0); // 0x1111
    QCOMPARE(rig.recorder.fuelUsed(), 0.027);        // 33 × 4369 / 5242880 = 0.02749…
}

void TestLiveRecorder::fuelCounterReset() {
    Rig rig;
    QSignalSpy text(&rig.recorder, &LiveRecorder::fuelUsedTextChanged);
    FuelCounterReset& reset = rig.recorder.fuelCounterReset();
    rig.recorder.resetFuelCounter();
    QVERIFY(reset.isEnabled());
    QCOMPARE(reset.interval(), 100);
    reset.tick();
    rig.port.feed(QStringLiteral("!"));
    reset.tick();
    rig.port.feed(QStringLiteral("?")); // not acknowledged: the same write again
    reset.tick();
    rig.port.feed(QStringLiteral("!"));
    reset.tick();
    QCOMPARE(text.size(), 0);
    rig.port.feed(QStringLiteral("!"));
    QVERIFY(!reset.isEnabled());
    QCOMPARE(rig.port.writes, QStringList({"0004$", "0014$", "0014$", "0024$"}));
    QCOMPARE(text.size(), 1);
    QCOMPARE(rig.recorder.fuelUsedText(), QStringLiteral("0"));
}

void TestLiveRecorder::moduleErrorStopsTheGraphTick() {
    Rig rig;
    rig.recorder.start();
    QVERIFY(rig.recorder.graphTimerEnabled());
    rig.recorder.graphTick();
    rig.pollStep(QStringLiteral("*"));
    QVERIFY(!rig.recorder.graphTimerEnabled());
    QVERIFY(!rig.recorder.poll().isEnabled());
    QCOMPARE(rig.recorder.state(), RecorderState::Running); // looks running until paused
    QVERIFY(rig.recorder.pause());
    QVERIFY(rig.recorder.continueRecording());
    QVERIFY(rig.recorder.graphTimerEnabled());
}

void TestLiveRecorder::stateMachine_data() {
    QTest::addColumn<QString>("operations");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("recordings");
    QTest::addColumn<QString>("controls");
    QTest::addColumn<int>("locks");
    QTest::addColumn<int>("unlocks");
    const int idle = int(RecorderState::Idle);
    const int running = int(RecorderState::Running);
    const int paused = int(RecorderState::Paused);
    QTest::newRow("program start")
        << "" << idle << 0 << "S | navigation files disconnect" << 0 << 0;
    QTest::newRow("start") << "start" << running << 1 << "P | stop" << 1 << 0;
    QTest::newRow("pause") << "start pause" << paused << 1 << "C | stop delete" << 1 << 1;
    QTest::newRow("continue") << "start pause continue" << running << 1 << "P | stop" << 2 << 1;
    QTest::newRow("stop") << "start stop" << idle << 1
                          << "S | stop delete navigation files disconnect" << 1 << 1;
    QTest::newRow("stop while paused") << "start pause stop" << idle << 1
                                       << "S | stop delete navigation files disconnect" << 1 << 2;
    QTest::newRow("delete while paused")
        << "start pause delete" << idle << 0 << "S | stop" << 1 << 1;
    QTest::newRow("delete after stop")
        << "start stop delete" << idle << 0 << "S | stop navigation files disconnect" << 1 << 1;
    QTest::newRow("second delete does nothing") << "start stop delete delete" << idle << 0
                                                << "S | stop navigation files disconnect" << 1 << 1;
    QTest::newRow("last tab selected offers continue")
        << "start stop select0" << idle << 1 << "SC | stop delete navigation files disconnect" << 1
        << 1;
    QTest::newRow("continue from idle")
        << "start stop select0 continue" << running << 1 << "P | stop" << 2 << 1;
    QTest::newRow("older tab selected: no continue")
        << "start stop start stop select0 continue" << idle << 2
        << "S | stop delete navigation files disconnect" << 2 << 2;
    QTest::newRow("pause does not apply in idle")
        << "pause" << idle << 0 << "S | navigation files disconnect" << 0 << 0;
    QTest::newRow("start does not apply while running")
        << "start start" << running << 1 << "P | stop" << 1 << 0;
    QTest::newRow("start does not apply while paused")
        << "start pause start" << paused << 1 << "C | stop delete" << 1 << 1;
    QTest::newRow("delete does not apply while running")
        << "start delete" << running << 1 << "P | stop" << 1 << 0;
    QTest::newRow("selecting the live tab while paused")
        << "start pause select0" << paused << 1 << "C | stop delete" << 1 << 1;
}

void TestLiveRecorder::stateMachine() {
    QFETCH(QString, operations);
    QFETCH(int, state);
    QFETCH(int, recordings);
    QFETCH(QString, controls);
    QFETCH(int, locks);
    QFETCH(int, unlocks);
    Rig rig;
    QSignalSpy lockSpy(&rig.recorder, &LiveRecorder::lockRequested);
    QSignalSpy unlockSpy(&rig.recorder, &LiveRecorder::unlockRequested);
    for (const QString& op : operations.split(u' ', Qt::SkipEmptyParts)) {
        if (op == QLatin1String("start"))
            rig.recorder.start();
        else if (op == QLatin1String("pause"))
            rig.recorder.pause();
        else if (op == QLatin1String("continue"))
            rig.recorder.continueRecording();
        else if (op == QLatin1String("stop"))
            rig.recorder.stop();
        else if (op == QLatin1String("delete"))
            rig.recorder.deleteCurrent();
        else if (op.startsWith(QLatin1String("select")))
            rig.recorder.selectRecording(op.mid(6).toInt());
        else
            QFAIL(qPrintable(op));
    }
    QCOMPARE(int(rig.recorder.state()), state);
    QCOMPARE(rig.recorder.archive().count(), recordings);
    QCOMPARE(describe(rig.recorder.controls()), controls);
    QCOMPARE(lockSpy.size(), locks);
    QCOMPARE(unlockSpy.size(), unlocks);
    QCOMPARE(rig.recorder.graphTimerEnabled(), state == int(RecorderState::Running));
    QCOMPARE(rig.recorder.liveRecording() != nullptr, state != int(RecorderState::Idle));
}

void TestLiveRecorder::runningRecordingKeepsItsPointsWhenAnOlderTabIsSelected() {
    Rig rig;
    rig.recorder.start();
    rig.graphTicks(3);
    rig.recorder.stop();
    rig.recorder.start();
    rig.graphTicks(2);
    Recording* older = rig.recording(0);
    Recording* running = rig.recording(1);
    QCOMPARE(running->caption(), QStringLiteral("2"));
    QCOMPARE(running->chartName(), QStringLiteral("ChartM_2"));
    QSignalSpy olderAppended(older, &Recording::samplesAppended);

    rig.recorder.selectRecording(0);
    QCOMPARE(rig.recorder.archive().current(), older);
    rig.graphTicks(3);
    QCOMPARE(older->sampleCount(), 3);
    QCOMPARE(olderAppended.size(), 0);
    QCOMPARE(running->sampleCount(), 5);
    QCOMPARE(rig.recorder.liveRecording(), running);
    QVERIFY(!rig.recorder.controls().continueVisible);
    // The clock of the running recording goes on without a gap.
    QCOMPARE(running->grid().cell(4, kStepColumn), 100.0);

    // Selecting the running tab again while running offers no Continue either; pausing and
    // continuing from the older tab resumes the running recording.
    rig.recorder.selectRecording(1);
    QVERIFY(!rig.recorder.controls().continueVisible);
    rig.recorder.selectRecording(0);
    QVERIFY(rig.recorder.pause());
    QVERIFY(rig.recorder.continueRecording());
    rig.recorder.graphTick();
    QCOMPARE(running->sampleCount(), 6);
    QCOMPARE(older->sampleCount(), 3);
}

void TestLiveRecorder::pageDisplayOfTheLiveRecording() {
    Rig rig;
    rig.recorder.setPageDisplay(true);
    rig.recorder.setPageWidthSeconds(3);
    rig.recorder.start();
    QCOMPARE(rig.recorder.pageState().PageEnd, 12.0);
    const Recording* rec = rig.recording(0);
    for (int point = 0; point < 25; ++point) {
        rig.recorder.graphTick();
        const double first = point < 12 ? 0 : point < 24 ? 12 : 24;
        QCOMPARE(rec->bottomWindow(), (BottomWindow{false, first, first + 12}));
    }
    // Continuous display: the bottom axis follows all points.
    rig.recorder.setPageDisplay(false);
    rig.recorder.graphTick();
    QVERIFY(rec->bottomWindow().automatic);
}

void TestLiveRecorder::navigationOfTheCurrentRecording() {
    Rig rig;
    rig.recorder.setPageWidthSeconds(3);            // 12 points at 250 ms
    rig.recorder.navigate(NavigationButton::ToEnd); // no recording: nothing happens
    rig.recorder.start();
    rig.graphTicks(40);
    rig.recorder.stop();
    Recording* rec = rig.recording(0);
    QVERIFY(rec->bottomWindow().automatic);
    rig.recorder.navigate(NavigationButton::ToEnd);
    QCOMPARE(rec->bottomWindow(), (BottomWindow{false, 28, 40}));
    rig.recorder.navigate(NavigationButton::PageLeft);
    QCOMPARE(rec->bottomWindow(), (BottomWindow{false, 16, 28}));
    rig.recorder.navigate(NavigationButton::StepRight);
    QCOMPARE(rec->bottomWindow(), (BottomWindow{false, 17, 29}));
    QCOMPARE(rig.recorder.pageState().PageStart, 17.0);
    QCOMPARE(rig.recorder.pageState().PageEnd, 29.0);

    // A new width keeps the centre (23): 16 points give 15 … 31.
    rig.recorder.stepPageWidth(+1);
    rig.recorder.releasePageWidth();
    QCOMPARE(rec->bottomWindow(), (BottomWindow{false, 15, 31}));

    // A recording without points is left alone.
    rig.recorder.start();
    rig.recorder.stop();
    rig.recorder.navigate(NavigationButton::ToBegin);
    QVERIFY(rig.recording(1)->bottomWindow().automatic);
}

void TestLiveRecorder::graphIntervalIsTakenAtStart() {
    Rig rig;
    QCOMPARE(rig.recorder.graphIntervalMs(), 250);
    rig.recorder.setGraphIntervalItem(5);
    QCOMPARE(rig.recorder.graphIntervalMs(), 250);
    rig.recorder.start();
    QCOMPARE(rig.recorder.graphIntervalMs(), 2000);
    rig.graphTicks(3);
    QCOMPARE(rig.recording(0)->grid().cell(2, kStepColumn), 400.0);
    rig.recorder.stop();
    rig.recorder.setGraphIntervalItem(-1); // no item: the interval stays
    rig.recorder.start();
    QCOMPARE(rig.recorder.graphIntervalMs(), 2000);
}

void TestLiveRecorder::saveAndLoad() {
    QTemporaryDir dir;
    Rig rig;
    rig.recorder.poll().setDigits(exampleDigits());
    QCOMPARE(rig.recorder.saveCurrentRecording(dir.filePath(QStringLiteral("none_data.txt"))),
             QString()); // no recording: nothing written
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("none_data.txt"))));
    rig.recorder.start();
    rig.graphTicks(3);
    QVERIFY(EnglishText(rig.recorder.loadRecordFile(dir.filePath(QStringLiteral("x"))))
                .contains(QStringLiteral("running")));
    rig.recorder.stop();
    const QString path = dir.filePath(RecordFileName(QStringLiteral("road")));
    QCOMPARE(rig.recorder.saveCurrentRecording(path), QString());

    QSignalSpy added(&rig.recorder.archive(), &RecordingArchive::recordingAdded);
    QVERIFY(rig.recorder.loadRecordFile(path).isEmpty());
    QCOMPARE(added.size(), 1);
    Recording* loaded = rig.recorder.archive().current();
    QCOMPARE(rig.recorder.archive().count(), 2);
    QCOMPARE(loaded->caption(), QStringLiteral("road_data"));
    QCOMPARE(loaded->chartName(), QStringLiteral("ChartM_2"));
    QCOMPARE(loaded->origin(), Recording::Origin::File);
    QVERIFY(loaded->grid() == rig.recording(0)->grid());
    QCOMPARE(loaded->sampleCount(), 3);
    QCOMPARE(loaded->value(SeriesOf(Channel::PVK), 2), 27.8);
    for (int s = 0; s < kSeriesCount; ++s)
        QVERIFY(loaded->isSeriesActive(s));
    QVERIFY(rig.recorder.controls().stopEnabled);
    QVERIFY(rig.recorder.controls().deleteEnabled);
    QCOMPARE(rig.recorder.state(), RecorderState::Idle);
    QVERIFY(!rig.recorder.graphTimerEnabled());

    // Loading the same file again gives a second tab with the same caption.
    QVERIFY(rig.recorder.loadRecordFile(path).isEmpty());
    QCOMPARE(rig.recorder.archive().count(), 3);
    QCOMPARE(rig.recorder.archive().current()->caption(), QStringLiteral("road_data"));
    QCOMPARE(rig.recorder.archive().nextNumber(), 4);
}

void TestLiveRecorder::badFileCreatesNoTab() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad_data.txt"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("0#Step#0#SP#0#STR#0#AI#0#RT#0#RTT#0#II#0#T#0#DP#0#TP#0#SD#\r\n"
                "0#Step#0#SP#\r\n");
    }
    Rig rig;
    QSignalSpy added(&rig.recorder.archive(), &RecordingArchive::recordingAdded);
    const QString error = EnglishText(rig.recorder.loadRecordFile(path));
    QVERIFY(error.contains(QStringLiteral("line 2")));
    QCOMPARE(added.size(), 0);
    QCOMPARE(rig.recorder.archive().count(), 0);
    QCOMPARE(rig.recorder.archive().nextNumber(), 1);
}

void TestLiveRecorder::checkBoxesShowSeries() {
    Rig rig;
    ParameterChecks checks = DefaultParameterChecks();
    checks[std::size_t(Channel::II)] = false;
    rig.recorder.setParameterChecks(checks);
    rig.recorder.setPvkCheckBoxVisible(false);
    rig.recorder.start();
    Recording* rec = rig.recording(0);
    QVERIFY(rec->isSeriesActive(SeriesOf(Channel::TVT)));
    QVERIFY(!rec->isSeriesActive(SeriesOf(Channel::II)));
    QVERIFY(!rec->isSeriesActive(SeriesOf(Channel::PVK))); // ticked but not visible
    QVERIFY(!rec->isSeriesActive(SeriesOf(Channel::Per4_imp)));
    QSignalSpy changed(rec, &Recording::seriesActiveChanged);
    rig.recorder.setParameterChecked(Channel::II, true);
    QVERIFY(rec->isSeriesActive(SeriesOf(Channel::II)));
    QCOMPARE(changed.size(), 1);
}

QTEST_GUILESS_MAIN(TestLiveRecorder)
#include "tst_live_recorder.moc"
