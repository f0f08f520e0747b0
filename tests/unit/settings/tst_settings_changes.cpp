#include "languages.h"
#include "settings_rig.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(ChoiceOperation)
Q_DECLARE_METATYPE(NumericSetting)
Q_DECLARE_METATYPE(StepDirection)

namespace {

// The rig with the page showing what the module holds, as after the connection read.
void showModule(SettingsRig& rig) {
    rig.model.edit([&](ModuleSettings& s) {
        s.Flags00 = rig.eeprom[0x00];
        s.Flags01 = rig.eeprom[0x01];
        s.NumBurn = rig.eeprom[0x09];
    });
    for (int address : {0x00, 0x01, 0x09})
        rig.features.page().showDecoded(address, rig.eeprom[address]);
}

void setValue(SettingsRig& rig, NumericSetting setting, double value) {
    rig.model.edit([&](ModuleSettings& s) { SetValue(s, setting, value); });
    rig.features.Btn_Raschet_Marvek_2Click();
}

} // namespace

class TestSettingsChanges : public QObject {
    Q_OBJECT
private slots:
    void systemOffOnFiveWritesEightyFive();
    void choiceWrites_data();
    void choiceWrites();
    void templateTwinRewritesTheMainSelection();
    void verificationReadsUntilTheModuleHoldsTheByte();
    void unacknowledgedWriteIsSentAgain();
    void invalidReadKeepsTheBitsAndGoesOn();
    void unknownByteIsNeverComposed_data();
    void unknownByteIsNeverComposed();
    void splitAnswerIsTakenWhole();
    void changeRefusedWhileAnotherRuns();
    void changeRefusedWithThePortClosed();
    void stepper_data();
    void stepper();
    void stepperRepeatsOnItsTimer();
    void releaseRefusedWhenAnotherTransactionStartedPutsTheScaleBack();
    void pressRefusedWhileTheWriteRuns();
    void writeIsRepeatedUntilAcknowledgedAndStopsWithThePort();
};

void TestSettingsChanges::systemOffOnFiveWritesEightyFive() {
    SettingsRig rig;
    rig.eeprom[0x00] = 0x05;
    rig.eeprom[0x01] = 0x00;
    showModule(rig);
    QSignalSpy started(&rig.features.choices(), &ChoiceChange::started);
    QSignalSpy finished(&rig.features.choices(), &ChoiceChange::finished);

    QCOMPARE(rig.features.choices().run(ChoiceOperation::Other_System_Off), StartResult::Started);
    // Everything is journalled and set before anything is sent.
    QVERIFY(rig.port.writes.isEmpty());
    QCOMPARE(rig.journal.lines(), QStringList{SettingsRig::kDateTime + " Выключить систему"});
    QCOMPARE(rig.features.choices().SettingName(), QStringLiteral("Other_System_Off"));
    QCOMPARE(rig.engine.PendingCommand(), QStringLiteral("00*"));
    QVERIFY(rig.features.choices().Timer_RegRab().isEnabled());
    QCOMPARE(rig.features.choices().Timer_RegRab().interval(), 50);
    QCOMPARE(started.size(), 1);

    rig.runToEnd();
    QCOMPARE(rig.port.writes, QStringList({"00*", "10*", "5800)", "00*"}));
    QCOMPARE(rig.eeprom[0x00], 0x85);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(rig.features.choices().newFlags00(), QStringLiteral("58"));
    QCOMPARE(rig.features.choices().Edit7(), QStringLiteral("58"));
    QCOMPARE(rig.features.choices().Edit8(), QStringLiteral("58"));
    QCOMPARE(rig.eventLines(),
             QStringList(
                 {SettingsRig::kDateTime + " Выключить систему",
                  "ПОЛУЧЕНЫ БИТЫ EEPROM-00 " + SettingsRig::kDateTime, "EEPROM-00 = 1010 0000",
                  "ПОЛУЧЕНЫ БИТЫ EEPROM-01 " + SettingsRig::kDateTime, "EEPROM-01 = 0000 0000"}));
    QVERIFY(!rig.features.choices().isRunning());
}

void TestSettingsChanges::choiceWrites_data() {
    QTest::addColumn<int>("eeprom00");
    QTest::addColumn<int>("eeprom01");
    QTest::addColumn<ChoiceOperation>("operation");
    QTest::addColumn<QStringList>("sent");
    using O = ChoiceOperation;
    QTest::newRow("sb_NumBurn_3: no read-back")
        << 0x05 << 0x00 << O::Other_NumBurn_3 << QStringList{"00*", "10*", "3090)"};
    QTest::newRow("Ignore after Auto")
        << 0x10 << 0x00 << O::TP_Ignore << QStringList{"00*", "10*", "0300)", "00*"};
    QTest::newRow("MAF basis") << 0x11 << 0x00 << O::KorrTab_MAF
                               << QStringList{"00*", "10*", "3100)", "00*"};
    QTest::newRow("English: EEPROM-01 read back")
        << 0x11 << 0x80 << O::Lang_Eng << QStringList{"00*", "10*", "2810)", "10*"};
    QTest::newRow("MAP sensor") << 0x00 << 0x00 << O::DMRV_Type_Sensor_MAP
                                << QStringList{"00*", "10*", "4010)", "10*"};
    QTest::newRow("same value written again")
        << 0x85 << 0x00 << O::Other_System_Off << QStringList{"00*", "10*", "5800)", "00*"};
}

void TestSettingsChanges::choiceWrites() {
    QFETCH(int, eeprom00);
    QFETCH(int, eeprom01);
    QFETCH(ChoiceOperation, operation);
    QFETCH(QStringList, sent);
    SettingsRig rig;
    rig.eeprom[0x00] = eeprom00;
    rig.eeprom[0x01] = eeprom01;
    rig.eeprom[0x09] = 4;
    showModule(rig);
    QCOMPARE(rig.features.choices().run(operation), StartResult::Started);
    rig.runToEnd();
    QCOMPARE(rig.port.writes, sent);
    QCOMPARE(rig.eventLines().first(),
             SettingsRig::kDateTime + QString::fromUtf8(InfoOf(operation).journalText));
}

void TestSettingsChanges::templateTwinRewritesTheMainSelection() {
    SettingsRig rig;
    rig.eeprom[0x00] = 0x05;
    showModule(rig);
    const ChoiceSelection mainBefore = rig.features.page().main();
    rig.features.choices().run(ChoiceOperation::Other_System_Off, PageSide::Template);
    QCOMPARE(rig.features.page().templatePage().choices.System, std::optional<bool>(true));
    QCOMPARE(rig.features.page().main(), mainBefore);
    rig.runToEnd();
    QCOMPARE(rig.port.writes, QStringList({"00*", "10*", "5000)", "00*"}));
    QCOMPARE(rig.eventLines().first(), SettingsRig::kDateTime + " Выключить систему");
}

void TestSettingsChanges::verificationReadsUntilTheModuleHoldsTheByte() {
    SettingsRig rig;
    rig.eeprom[0x00] = 0x05;
    showModule(rig);
    int reads = 0;
    rig.script = [&](const QString& command) -> QString {
        if (command == QLatin1String("5800)"))
            return QStringLiteral("!"); // acknowledged, but the module keeps its old byte
        if (command == QLatin1String("00*") && ++reads > 1 && reads < 4)
            return QStringLiteral("50");
        if (command == QLatin1String("00*") && reads >= 4)
            return QStringLiteral("58");
        return QString();
    };
    rig.features.choices().run(ChoiceOperation::Other_System_Off);
    rig.runToEnd();
    QCOMPARE(rig.port.writes, QStringList({"00*", "10*", "5800)", "00*", "00*", "00*"}));
    QCOMPARE(rig.features.choices().Edit7(), QStringLiteral("58"));
}

void TestSettingsChanges::unacknowledgedWriteIsSentAgain() {
    SettingsRig rig;
    showModule(rig);
    int writes = 0;
    rig.script = [&](const QString& command) -> QString {
        if (command.endsWith(QLatin1Char(')')) && ++writes == 1)
            return QStringLiteral("?!"); // not exactly "!"
        if (command.endsWith(QLatin1Char(')')) && writes == 2)
            return QStringLiteral(""); // no answer at all
        return QString();
    };
    rig.features.choices().run(ChoiceOperation::Other_NumBurn_6);
    rig.runToEnd();
    QCOMPARE(rig.port.writes, QStringList({"00*", "10*", "6090)", "6090)", "6090)"}));
    QCOMPARE(rig.eeprom[0x09], 6);
}

void TestSettingsChanges::invalidReadKeepsTheBitsAndGoesOn() {
    SettingsRig rig;
    rig.eeprom[0x00] = 0x05;
    showModule(rig);
    rig.script = [&](const QString& command) -> QString {
        return command == QLatin1String("00*") && rig.port.writes.size() == 1 ? QStringLiteral("5g")
                                                                              : QString();
    };
    rig.model.edit([](ModuleSettings& s) { s.Flags00 = 0x01; }); // as last decoded
    rig.features.choices().run(ChoiceOperation::Other_System_Off);
    rig.runToEnd();
    QCOMPARE(rig.port.writes, QStringList({"00*", "10*", "1800)", "00*"}));
    QCOMPARE(rig.eeprom[0x00], 0x81);
    QVERIFY(!rig.eventLines().contains("ПОЛУЧЕНЫ БИТЫ EEPROM-00 " + SettingsRig::kDateTime));
    QVERIFY(rig.eventLines().contains("ПОЛУЧЕНЫ БИТЫ EEPROM-01 " + SettingsRig::kDateTime));
}

void TestSettingsChanges::unknownByteIsNeverComposed_data() {
    QTest::addColumn<ChoiceOperation>("operation");
    QTest::addColumn<QString>("damaged"); // the read answered "5g" during the change
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<bool>("refused");
    using O = ChoiceOperation;
    QTest::newRow("EEPROM-00 unread: refused")
        << O::Other_System_Off << "00*" << QStringList{"00*", "10*"} << true;
    QTest::newRow("EEPROM-01 unread: refused")
        << O::Lang_Eng << "10*" << QStringList{"00*", "10*"} << true;
    QTest::newRow("EEPROM-00 read by the change itself")
        << O::Other_System_Off << "" << QStringList{"00*", "10*", "5800)", "00*"} << false;
    QTest::newRow("injector count composes no unknown byte")
        << O::Other_NumBurn_3 << "00*" << QStringList{"00*", "10*", "3090)"} << false;
}

void TestSettingsChanges::unknownByteIsNeverComposed() {
    QFETCH(ChoiceOperation, operation);
    QFETCH(QString, damaged);
    QFETCH(QStringList, sent);
    QFETCH(bool, refused);
    SettingsRig rig;
    rig.eeprom[0x00] = 0x05;
    // As after a connection read that could take neither bit-field byte.
    rig.model.setSettings(ModuleSettings::BeforeRead());
    rig.script = [&](const QString& command) -> QString {
        return command == damaged ? QStringLiteral("5g") : QString();
    };
    QSignalSpy refusals(&rig.features.context(), &SettingsContext::refused);
    const ChoiceSelection pageBefore = rig.features.page().main();
    QCOMPARE(rig.features.choices().run(operation), StartResult::Started);
    rig.runToEnd();
    QCOMPARE(rig.port.writes, sent);
    QCOMPARE(refusals.size(), refused ? 1 : 0);
    if (refused) {
        QCOMPARE(refusals.at(0).at(1).value<StartResult>(), StartResult::ByteUnknown);
        QVERIFY(refusals.at(0).at(2).toString().contains("EEPROM-" + damaged.left(2).mid(1, 1) +
                                                         damaged.left(1)));
        QCOMPARE(rig.features.page().main(), pageBefore);
        QVERIFY(!rig.features.choices().isRunning());
    }
}

void TestSettingsChanges::splitAnswerIsTakenWhole() {
    SettingsRig rig;
    rig.eeprom[0x00] = 0x05;
    showModule(rig);
    rig.model.edit([](ModuleSettings& s) { s.Flags00 = 0x00; });
    rig.features.choices().run(ChoiceOperation::Other_System_Off);
    rig.features.choices().Timer_RegRab().tick();
    rig.port.feed(QStringLiteral("5"));
    QCOMPARE(rig.engine.PendingCommand(), QStringLiteral("00*")); // waits for the second digit
    rig.port.feed(QStringLiteral("0"));
    QCOMPARE(rig.engine.PendingCommand(), QStringLiteral("10*"));
    QCOMPARE(rig.model.settings().Flags00, 0x05);
}

void TestSettingsChanges::changeRefusedWhileAnotherRuns() {
    SettingsRig rig;
    showModule(rig);
    QSignalSpy refused(&rig.features.context(), &SettingsContext::refused);
    QSignalSpy redraw(&rig.features.page(), &SettingsPageModel::mainChanged);
    QCOMPARE(rig.features.choices().run(ChoiceOperation::Other_NumBurn_2), StartResult::Started);
    rig.exchange(); // "00*" answered; now "10*" pending
    const QStringList journalBefore = rig.journal.lines();
    const ChoiceSelection pageBefore = rig.features.page().main();
    const int redrawsBefore = int(redraw.size());

    // The running operation is named in the language's words, never by its timer.
    InterfaceTexts texts;
    texts.apply(ParseLanguageLines(
        {QStringLiteral("fmMain.Msg_SettingsBusyWith#Caption=Busy with %1."),
         QStringLiteral("fmMain.Msg_Running_Timer_RegRab#Caption=changing a setting")}));
    rig.features.context().setTexts(texts);
    QCOMPARE(rig.features.choices().run(ChoiceOperation::Other_System_Off), StartResult::Busy);
    QCOMPARE(rig.features.stepper().press(NumericSetting::OPR, StepDirection::Up),
             StartResult::Busy);
    QCOMPARE(rig.features.engineering().writeFixed(FixedEngineeringWrite::LUup_012),
             StartResult::Busy);
    QCOMPARE(rig.features.lambda().atb_Other_TicherEmu_OnClick(), StartResult::Busy);
    QCOMPARE(rig.features.dumps().saveToFile(QDir::tempPath() + "/never.mmr2"), StartResult::Busy);
    QCOMPARE(refused.size(), 5);
    QCOMPARE(refused.at(0).at(0).toString(), QStringLiteral("Other_System_Off"));
    QCOMPARE(refused.at(0).at(1).value<StartResult>(), StartResult::Busy);
    QCOMPARE(refused.at(0).at(2).toString(), QStringLiteral("Busy with changing a setting."));
    // Nothing of the refused operations reached the journal, the page or the engine.
    QCOMPARE(rig.journal.lines(), journalBefore);
    QCOMPARE(rig.features.page().main(), pageBefore);
    QVERIFY(redraw.size() > redrawsBefore); // but widgets are told to show the model again
    QCOMPARE(rig.engine.PendingCommand(), QStringLiteral("10*"));
    QCOMPARE(rig.features.choices().SettingName(), QStringLiteral("Other_NumBurn_2"));

    rig.runToEnd();
    QCOMPARE(rig.port.writes, QStringList({"00*", "10*", "2090)"}));
    QCOMPARE(rig.features.choices().run(ChoiceOperation::Other_System_Off), StartResult::Started);
}

void TestSettingsChanges::changeRefusedWithThePortClosed() {
    SettingsRig rig;
    rig.port.ClosePort();
    QSignalSpy refused(&rig.features.context(), &SettingsContext::refused);
    QCOMPARE(rig.features.choices().run(ChoiceOperation::Other_System_Off),
             StartResult::PortClosed);
    QCOMPARE(refused.size(), 1);
    QVERIFY(!rig.features.choices().isRunning());
    QVERIFY(rig.journal.lines().isEmpty());
}

void TestSettingsChanges::stepper_data() {
    QTest::addColumn<NumericSetting>("setting");
    QTest::addColumn<double>("start");
    QTest::addColumn<StepDirection>("direction");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("command");
    using S = NumericSetting;
    QTest::newRow("OPR 0.25 up four times")
        << S::OPR << 0.25 << StepDirection::Up << 4 << "Text30:0,45"
        << "B5D1)";
    QTest::newRow("KFuel 250 held up: writes 250 again")
        << S::KFuel << 250.0 << StepDirection::Up << 3 << "Text31:250"
        << "AF40)";
    QTest::newRow("a click without a tick writes the value unchanged")
        << S::ZdK << 10.0 << StepDirection::Down << 0 << "Text28:10"
        << "4171)";
    QTest::newRow("Porog_T held up from 100 stops at 101 (byte 253)")
        << S::Porog_T << 100.0 << StepDirection::Up << 5 << "Text29:101"
        << "DFA0)";
    QTest::newRow("PTN down") << S::PTN << 1.5 << StepDirection::Down << 2 << "Text48:1,3"
                              << "2880)";
    QTest::newRow("VolEng up") << S::VolEng << 1.6 << StepDirection::Up << 3 << "Text32:1,9"
                               << "31F0)";
}

void TestSettingsChanges::stepper() {
    QFETCH(NumericSetting, setting);
    QFETCH(double, start);
    QFETCH(StepDirection, direction);
    QFETCH(int, ticks);
    QFETCH(QString, caption);
    QFETCH(QString, command);
    SettingsRig rig;
    setValue(rig, setting, start);
    ScaleStepper& stepper = rig.features.stepper();
    QSignalSpy written(&stepper, &ScaleStepper::written);
    QCOMPARE(stepper.press(setting, direction), StartResult::Started);
    QVERIFY(stepper.isHolding());
    QTimer& timer = direction == StepDirection::Up ? stepper.tmr_2012_TabloRight()
                                                   : stepper.tmr_2012_TabloLeft();
    QVERIFY(timer.isActive());
    QCOMPARE(timer.interval(), 100);
    for (int i = 0; i < ticks; ++i)
        stepper.repeatTick();
    QCOMPARE(rig.features.page().scale(setting).caption, caption);
    QVERIFY(rig.port.writes.isEmpty());
    QCOMPARE(stepper.release(), StartResult::Started);
    QVERIFY(!timer.isActive());
    QCOMPARE(rig.engine.PendingCommand(), command);
    QCOMPARE(stepper.Timer_Write().interval(), 75);
    rig.runToEnd();
    QCOMPARE(rig.port.writes, QStringList{command});
    QCOMPARE(written.size(), 1);
    const double value = ValueOf(rig.model.settings(), setting);
    QCOMPARE(rig.features.page().scale(setting).window,
             std::optional<ScaleWindow>(WindowAround(setting, value)));
    QCOMPARE(rig.eeprom[RowOf(setting).address], ByteOf(setting, value));
}

void TestSettingsChanges::stepperRepeatsOnItsTimer() {
    SettingsRig rig;
    rig.engine.setIntervalScale(0.1); // 10 ms a step
    setValue(rig, NumericSetting::KFuel, 100);
    ScaleStepper& stepper = rig.features.stepper();
    QSignalSpy stepped(&stepper, &ScaleStepper::stepped);
    stepper.press(NumericSetting::KFuel, StepDirection::Up);
    QTRY_VERIFY(stepped.size() >= 3);
    stepper.release();
    const double value = rig.model.settings().KFuel;
    QCOMPARE(value, 100.0 + stepped.size());
    QCOMPARE(rig.engine.PendingCommand(), WriteCommandOf(NumericSetting::KFuel, value));
}

void TestSettingsChanges::releaseRefusedWhenAnotherTransactionStartedPutsTheScaleBack() {
    SettingsRig rig;
    setValue(rig, NumericSetting::OPR, 0.25);
    const ScaleDisplay before = rig.features.page().scale(NumericSetting::OPR);
    ScaleStepper& stepper = rig.features.stepper();
    stepper.press(NumericSetting::OPR, StepDirection::Up);
    stepper.repeatTick();
    stepper.repeatTick();
    QCOMPARE(rig.model.settings().OPR, 0.35);
    // The live poll, say, started meanwhile.
    Transaction poll(rig.engine, QStringLiteral("Timer_NeprOpros"), 50, PortClosedPolicy::SkipWrite,
                     false);
    poll.start(QStringLiteral("23%03&65&"));
    QCOMPARE(stepper.release(), StartResult::Busy);
    QCOMPARE(rig.model.settings().OPR, 0.25);
    QCOMPARE(rig.features.page().scale(NumericSetting::OPR), before);
    QVERIFY(!stepper.Timer_Write().isEnabled());
    QCOMPARE(rig.engine.PendingCommand(), QStringLiteral("23%03&65&"));
}

void TestSettingsChanges::pressRefusedWhileTheWriteRuns() {
    SettingsRig rig;
    setValue(rig, NumericSetting::KFuel, 100);
    ScaleStepper& stepper = rig.features.stepper();
    stepper.press(NumericSetting::KFuel, StepDirection::Up);
    stepper.repeatTick();
    stepper.release();
    QCOMPARE(stepper.press(NumericSetting::KFuel, StepDirection::Up), StartResult::Busy);
    QVERIFY(!stepper.isHolding());
    QCOMPARE(stepper.release(), StartResult::Invalid); // nothing held
    rig.runToEnd();
    QCOMPARE(rig.port.writes, QStringList{"5640)"});
    QCOMPARE(stepper.press(NumericSetting::KFuel, StepDirection::Up), StartResult::Started);
}

void TestSettingsChanges::writeIsRepeatedUntilAcknowledgedAndStopsWithThePort() {
    SettingsRig rig;
    setValue(rig, NumericSetting::KFuel, 100);
    rig.script = [](const QString&) { return QStringLiteral("?"); };
    ScaleStepper& stepper = rig.features.stepper();
    stepper.press(NumericSetting::KFuel, StepDirection::Down);
    stepper.release();
    for (int i = 0; i < 3; ++i)
        rig.exchange();
    QCOMPARE(rig.port.writes, QStringList({"4640)", "4640)", "4640)"}));
    QVERIFY(stepper.Timer_Write().isEnabled());
    rig.port.ClosePort();
    stepper.Timer_Write().tick();
    QVERIFY(!stepper.Timer_Write().isEnabled()); // Timer_Write stops itself
}

QTEST_GUILESS_MAIN(TestSettingsChanges)
#include "tst_settings_changes.moc"
