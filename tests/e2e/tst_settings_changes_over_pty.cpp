#include "connect_read.h"
#include "module_settings.h"
#include "pty_rig.h"
#include "settings_features.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// The simulated module on a pseudo-terminal, the program's port opened on it, and the settings
// operations connected the way the program connects them: the page follows the connection read
// and the view is refreshed when the module is identified. Fast transfers unless a case asks for
// the real intervals.
struct Bench : PtyRig {
    explicit Bench(double scale = 0.5, bool fast = true) : PtyRig(QByteArray(), scale) {
        engine.setFastTransfers(fast);
        features.follow(read);
        QObject::connect(&read, &ConnectRead::identified, &features,
                         &SettingsFeatures::Btn_Raschet_Marvek_2Click);
    }
    int eeprom(int address) { return sim().state().eeprom(address); }

    // Opens the port and runs the connection read to the identification.
    bool connectModule() {
        if (!open())
            return false;
        QSignalSpy identified(&read, &ConnectRead::identified);
        read.startRead();
        if (!identified.wait(20000))
            return false;
        sim().clearReceivedCommands();
        return true;
    }

    // The commands the module received since the connection read, repeats folded.
    QStringList received() {
        QStringList out;
        for (const QString& c : sim().receivedCommands()) {
            if (out.isEmpty() || out.last() != c)
                out << c;
        }
        return out;
    }

    ModuleSettingsModel model;
    ConnectRead read{engine, model};
    SettingsFeatures features{engine, model};
};

} // namespace

class TestSettingsChangesOverPty : public QObject {
    Q_OBJECT
private slots:
    void systemOffOnFiveWritesEightyFive_data();
    void systemOffOnFiveWritesEightyFive();
    void oprSteppedUpFourTimes();
    void calcWaterSummedOnA1();
    void lambdaTrainingOnWithEightyOne();
    void changesOneAfterAnother();
};

void TestSettingsChangesOverPty::systemOffOnFiveWritesEightyFive_data() {
    QTest::addColumn<double>("scale");
    QTest::addColumn<bool>("fast");
    // One change at the program's own pace.
    QTest::newRow("real intervals") << 1.0 << false;
    QTest::newRow("fast") << 0.5 << true;
}

void TestSettingsChangesOverPty::systemOffOnFiveWritesEightyFive() {
    QFETCH(double, scale);
    QFETCH(bool, fast);
    Bench b(scale, fast);
    QVERIFY(b.started);
    b.sim().state().setEeprom(0x00, 0x05);
    QVERIFY(b.connectModule());
    QCOMPARE(b.features.page().main().System, std::optional<bool>(false)); // shown by the read

    QSignalSpy finished(&b.features.choices(), &ChoiceChange::finished);
    QCOMPARE(b.features.choices().run(ChoiceOperation::Other_System_Off), StartResult::Started);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
    QCOMPARE(b.eeprom(0x00), 0x85);
    QCOMPARE(b.received(), QStringList({"00*", "10*", "5800)", "00*"}));
    QCOMPARE(b.features.choices().Edit7(), QStringLiteral("58"));
    QCOMPARE(b.features.choices().Edit8(), QStringLiteral("58"));
    QVERIFY(b.journal.lines().contains(QStringLiteral("EEPROM-00 =  1010 0000")));
    QVERIFY(!b.engine.anyEnabled());
}

void TestSettingsChangesOverPty::oprSteppedUpFourTimes() {
    Bench b;
    QVERIFY(b.started);
    b.sim().state().setEeprom(0x1D, 50); // OPR 0.25
    QVERIFY(b.connectModule());
    QCOMPARE(b.features.page().scale(NumericSetting::OPR).window,
             std::optional<ScaleWindow>({0.0, 0.5}));

    ScaleStepper& stepper = b.features.stepper();
    stepper.setAutomaticRepeat(false);
    QSignalSpy written(&stepper, &ScaleStepper::written);
    QCOMPARE(stepper.press(NumericSetting::OPR, StepDirection::Up), StartResult::Started);
    for (int i = 0; i < 4; ++i)
        QVERIFY(stepper.repeatTick());
    QCOMPARE(stepper.release(), StartResult::Started);
    QTRY_COMPARE_WITH_TIMEOUT(written.size(), 1, 10000);
    QCOMPARE(b.received(), QStringList{"B5D1)"});
    QCOMPARE(b.eeprom(0x1D), 91);
    QCOMPARE(b.model.settings().OPR, 0.45);
}

void TestSettingsChangesOverPty::calcWaterSummedOnA1() {
    Bench b;
    QVERIFY(b.started);
    b.sim().state().setEeprom(0x1F, 0xA1);
    QVERIFY(b.connectModule());
    QSignalSpy written(&b.features.engineering(), &EngineeringChange::flags1FWritten);
    QCOMPARE(b.features.engineering().changeFlags1F(EngineeringChoice::CalcWater_Summ),
             StartResult::Started);
    QTRY_COMPARE_WITH_TIMEOUT(written.size(), 1, 10000);
    QCOMPARE(b.received(), QStringList({"F1*", "12F1)"}));
    QCOMPARE(b.eeprom(0x1F), 0x21);
}

void TestSettingsChangesOverPty::lambdaTrainingOnWithEightyOne() {
    Bench b;
    QVERIFY(b.started);
    b.sim().state().setEeprom(0x00, 0x81);
    b.sim().state().setEeprom(0x1A, 0x37);
    QVERIFY(b.connectModule());
    QVERIFY(!b.features.page().main().TicherEmu);

    LambdaTraining& lambda = b.features.lambda();
    // The UI's window, answered at once with OK.
    QObject::connect(&lambda, &LambdaTraining::confirmationRequested, &lambda,
                     [&](LambdaConfirmation which) { lambda.confirm(which, true); });
    QSignalSpy on(&lambda, &LambdaTraining::switchedOn);
    QCOMPARE(lambda.atb_Other_TicherEmu_OnClick(), StartResult::Started);
    QVERIFY(b.features.page().main().TicherEmu);
    QTRY_COMPARE_WITH_TIMEOUT(on.size(), 1, 10000);
    QCOMPARE(b.received(), QStringList({"00*", "5800)", "00A1)"}));
    QCOMPARE(b.eeprom(0x00), 0x85);
    QCOMPARE(b.eeprom(0x1A), 0x00);
}

void TestSettingsChangesOverPty::changesOneAfterAnother() {
    Bench b;
    QVERIFY(b.started);
    b.sim().state().setEeprom(0x00, 0x11);
    b.sim().state().setEeprom(0x09, 4);
    QVERIFY(b.connectModule());
    ChoiceChange& choices = b.features.choices();
    QSignalSpy finished(&choices, &ChoiceChange::finished);
    QSignalSpy refused(&b.features.context(), &SettingsContext::refused);
    QCOMPARE(choices.run(ChoiceOperation::Other_NumBurn_6), StartResult::Started);
    // The user clicks again before the first change has ended: refused, the first goes on.
    QCOMPARE(choices.run(ChoiceOperation::TP_Ignore), StartResult::Busy);
    QCOMPARE(refused.size(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
    QCOMPARE(choices.run(ChoiceOperation::TP_Ignore), StartResult::Started);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 10000);
    QCOMPARE(b.eeprom(0x09), 6);
    QCOMPARE(b.eeprom(0x00), 0x31); // Ignore after Auto keeps bit 4
    QCOMPARE(b.received(), QStringList({"00*", "10*", "6090)", "00*", "10*", "1300)", "00*"}));
}

QTEST_GUILESS_MAIN(TestSettingsChangesOverPty)
#include "tst_settings_changes_over_pty.moc"
