#include "settings_rig.h"

#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(FixedEngineeringWrite)
Q_DECLARE_METATYPE(EngineeringChoice)

class TestEngineeringLambda : public QObject {
    Q_OBJECT
private slots:
    void fixedWrites_data();
    void fixedWrites();
    void fixedWriteRepeatsUntilAcknowledged();
    void calcWaterSummedOnA1();
    void flags1FChoices_data();
    void flags1FChoices();
    void rangeRelabelsTheCurveBeforeTheModuleAnswers();
    void invalidFlags1FAnswerUsesTheLastBits();
    void switchOnWithEightyOne();
    void switchOffWithEightyFive();
    void cancelChangesNothing_data();
    void cancelChangesNothing();
    void invalidAnswerUsesTheLastBitsRead();
    void switchOnRefusedWhileBusyShowsNoWindow();
    void trainingStopsWithThePort();
};

void TestEngineeringLambda::fixedWrites_data() {
    QTest::addColumn<FixedEngineeringWrite>("write");
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("byte");
    using W = FixedEngineeringWrite;
    QTest::newRow("ssb_LUup_012") << W::LUup_012 << "E002)" << 0x20 << 0x0E;
    QTest::newRow("ssb_LUup_025") << W::LUup_025 << "C102)" << 0x20 << 0x1C;
    QTest::newRow("ssb_LUup_050") << W::LUup_050 << "8302)" << 0x20 << 0x38;
    QTest::newRow("ssb_LUup_075") << W::LUup_075 << "1402)" << 0x20 << 0x41;
    QTest::newRow("ssb_LUdown_012") << W::LUdown_012 << "E012)" << 0x21 << 0x0E;
    QTest::newRow("ssb_LUdown_025") << W::LUdown_025 << "C112)" << 0x21 << 0x1C;
    QTest::newRow("ssb_LUdown_050") << W::LUdown_050 << "8312)" << 0x21 << 0x38;
    QTest::newRow("ssb_LUdown_075") << W::LUdown_075 << "1412)" << 0x21 << 0x41;
    QTest::newRow("ssb_UPL_0") << W::UPL_0 << "77E1)" << 0x1E << 0x77;
    QTest::newRow("ssb_UPL_045") << W::UPL_045 << "64E1)" << 0x1E << 0x46;
}

void TestEngineeringLambda::fixedWrites() {
    QFETCH(FixedEngineeringWrite, write);
    QFETCH(QString, command);
    QFETCH(int, address);
    QFETCH(int, byte);
    SettingsRig rig;
    EngineeringChange& engineering = rig.features.engineering();
    QCOMPARE(QLatin1String(InfoOf(write).command), command);
    QCOMPARE(engineering.writeFixed(write), StartResult::Started);
    QCOMPARE(engineering.Timer_2012_Ingeneer().interval(), 100);
    rig.runToEnd();
    QCOMPARE(rig.port.writes, QStringList{command});
    QCOMPARE(rig.eeprom[address], byte);
    QVERIFY(rig.eventLines().isEmpty()); // nothing journalled but the traffic
    // The pressed button follows the click; ModuleSettings waits for the next read.
    const ChoiceSelection& page = rig.features.page().main();
    QVERIFY(page.LUup || page.LUdown || page.UPL);
    QCOMPARE(rig.model.settings(), ModuleSettings{});
}

void TestEngineeringLambda::fixedWriteRepeatsUntilAcknowledged() {
    SettingsRig rig;
    int answers = 0;
    rig.script = [&](const QString&) -> QString {
        return ++answers < 4 ? QStringLiteral("") : QString();
    };
    rig.features.page().sButton2Click();
    rig.features.engineering().writeFixed(FixedEngineeringWrite::LUup_025);
    rig.runToEnd();
    QCOMPARE(rig.port.writes, QStringList({"C102)", "C102)", "C102)", "C102)"}));
}

void TestEngineeringLambda::calcWaterSummedOnA1() {
    SettingsRig rig;
    rig.eeprom[0x1F] = 0xA1;
    rig.features.page().showDecoded(0x1F, 0xA1);
    EngineeringChange& engineering = rig.features.engineering();
    QSignalSpy written(&engineering, &EngineeringChange::flags1FWritten);
    QCOMPARE(engineering.changeFlags1F(EngineeringChoice::CalcWater_Summ), StartResult::Started);
    QCOMPARE(engineering.Timer_2012_Ingeneer_2().interval(), 50);
    QCOMPARE(rig.engine.PendingCommand(), QStringLiteral("F1*"));
    rig.runToEnd();
    QCOMPARE(rig.port.writes, QStringList({"F1*", "12F1)"}));
    QCOMPARE(rig.eeprom[0x1F], 0x21);
    QCOMPARE(written.size(), 1);
    QCOMPARE(rig.eventLines(), QStringList({"ПОЛУЧЕНЫ БИТЫ EEPROM-1F " + SettingsRig::kDateTime,
                                            "EEPROM-1F = 1000 0101"}));
    QCOMPARE(rig.model.settings().Flags1F, 0xA1); // as read, not as written
}

void TestEngineeringLambda::flags1FChoices_data() {
    QTest::addColumn<EngineeringChoice>("choice");
    QTest::addColumn<int>("side"); // PageSide
    QTest::addColumn<QString>("write");
    using C = EngineeringChoice;
    // The module holds 0x3C, the page shows 0x2D: bits 0, 5, 6, 7 from the page, 1..4 as read.
    QTest::newRow("engineering view") << C::VidBloka_Ingener << int(PageSide::Main) << "D1F1)";
    QTest::newRow("lambda in training") << C::Use_L_Yes << int(PageSide::Main) << "D7F1)";
    QTest::newRow("no stretched range") << C::LDiapazone_No << int(PageSide::Main) << "C3F1)";
    QTest::newRow("template twin of the view: main unchanged")
        << C::VidBloka_Ingener << int(PageSide::Template) << "D3F1)";
}

void TestEngineeringLambda::flags1FChoices() {
    QFETCH(EngineeringChoice, choice);
    QFETCH(int, side);
    QFETCH(QString, write);
    SettingsRig rig;
    rig.eeprom[0x1F] = 0x3C; // bits 1..4 must survive
    rig.features.page().showDecoded(0x1F, 0x2D);
    rig.features.engineering().changeFlags1F(choice, PageSide(side));
    rig.runToEnd();
    QCOMPARE(rig.port.writes, QStringList({"F1*", write}));
}

void TestEngineeringLambda::rangeRelabelsTheCurveBeforeTheModuleAnswers() {
    SettingsRig rig;
    EngineeringChange& engineering = rig.features.engineering();
    QSignalSpy range(&engineering, &EngineeringChange::curveRangeChanged);
    QCOMPARE(engineering.changeFlags1F(EngineeringChoice::LDiapazone_Yes), StartResult::Started);
    QCOMPARE(range.size(), 1);
    QCOMPARE(range.first().at(0).toBool(), true);
    QVERIFY(rig.port.writes.isEmpty());
    QCOMPARE(rig.features.page().main().LDiapazone, std::optional<bool>(true));
    const CurveLabels labels = CurveRowLabels(true, rig.features.context().format());
    QCOMPARE(labels.rows.at(63), QString(18, QLatin1Char(' ')) + QStringLiteral("31,5"));
}

void TestEngineeringLambda::invalidFlags1FAnswerUsesTheLastBits() {
    SettingsRig rig;
    rig.model.edit([](ModuleSettings& s) { s.Flags1F = 0xA0; });
    rig.script = [](const QString& command) -> QString {
        return command == QLatin1String("F1*") ? QStringLiteral("0a") : QString();
    };
    rig.features.engineering().changeFlags1F(EngineeringChoice::CalcWater_Summ);
    rig.runToEnd();
    QCOMPARE(rig.port.writes, QStringList({"F1*", "02F1)"}));
    QVERIFY(rig.eventLines().isEmpty());
}

void TestEngineeringLambda::switchOnWithEightyOne() {
    SettingsRig rig;
    rig.eeprom[0x00] = 0x81;
    rig.eeprom[0x1A] = 0x37;
    LambdaTraining& lambda = rig.features.lambda();
    QSignalSpy asked(&lambda, &LambdaTraining::confirmationRequested);
    QSignalSpy refresh(&lambda, &LambdaTraining::curveChartRefreshRequested);
    QSignalSpy on(&lambda, &LambdaTraining::switchedOn);
    QCOMPARE(lambda.atb_Other_TicherEmu_OnClick(), StartResult::Started);
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked.first().at(0).value<LambdaConfirmation>(), LambdaConfirmation::SwitchOn);
    const auto texts = asked.first().at(1).value<LambdaConfirmationTexts>();
    QCOMPARE(texts.caption, QStringLiteral("Text45:"));
    QCOMPARE(texts.label, QStringLiteral("Text41:"));
    QCOMPARE(texts.ok, QStringLiteral("Text43:"));
    QCOMPARE(texts.cancel, QStringLiteral("Text44:"));
    QVERIFY(rig.port.writes.isEmpty());
    QVERIFY(!rig.running());

    QCOMPARE(lambda.confirm(LambdaConfirmation::SwitchOn, true), StartResult::Started);
    QVERIFY(rig.features.page().main().TicherEmu); // "Выключить" in front at once
    QCOMPARE(refresh.size(), 1);
    QCOMPARE(lambda.Timer_Lambda_Ticher().interval(), 75);
    QVERIFY(lambda.Timer_Lambda_Ticher().advancesProgress());
    rig.runToEnd();
    QCOMPARE(rig.port.writes, QStringList({"00*", "5800)", "00A1)"}));
    QCOMPARE(rig.eeprom[0x00], 0x85);
    QCOMPARE(rig.eeprom[0x1A], 0);
    QCOMPARE(on.size(), 1);
    QCOMPARE(rig.eventLines(),
             QStringList({"ВКЛЮЧЕНО ОБУЧЕНИЕ ЭМУЛЯТОРА ЛЯМБДЫ. ПОЛУЧЕНЫ БИТЫ EEPROM-00 " +
                              SettingsRig::kDateTime,
                          "EEPROM-00 = 1000 0001",
                          "ОТПРАВЛЕНО В МОДУЛЬ НОВОЕ ЗНАЧЕНИЕ EEPROM-00 10"
                          "10 0001",
                          "ОТПРАВЛЕН В МОДУЛЬ EEPROM-1A = 0"}));
    QCOMPARE(rig.engine.progress(), 0);
}

void TestEngineeringLambda::switchOffWithEightyFive() {
    SettingsRig rig;
    rig.eeprom[0x00] = 0x85;
    rig.eeprom[0x1A] = 0x37;
    rig.features.page().editMain([](ChoiceSelection& s) { s.TicherEmu = true; });
    LambdaTraining& lambda = rig.features.lambda();
    QSignalSpy clear(&lambda, &LambdaTraining::curveSeriesClearRequested);
    QSignalSpy unlock(&rig.features.context(), &SettingsContext::unlockRequested);
    QSignalSpy asked(&lambda, &LambdaTraining::confirmationRequested);
    lambda.atb_Other_TicherEmu_OffClick();
    QCOMPARE(asked.first().at(1).value<LambdaConfirmationTexts>().label, QStringLiteral("Text42:"));
    QCOMPARE(lambda.confirm(LambdaConfirmation::SwitchOff, true), StartResult::Started);
    QVERIFY(!rig.features.page().main().TicherEmu);
    QCOMPARE(clear.size(), 1);
    rig.runToEnd();
    QCOMPARE(rig.port.writes, QStringList({"00*", "1800)"}));
    QCOMPARE(rig.eeprom[0x00], 0x81);
    QCOMPARE(rig.eeprom[0x1A], 0x37); // untouched
    QCOMPARE(unlock.size(), 1);
    QCOMPARE(rig.eventLines(),
             QStringList({"ПОЛУЧЕНИЕ ТАБЛИЦЫ ЛЯМБДЫ ПОСЛЕ ОБУЧЕНИЕ ЭМУЛЯТОРА. ПОЛУЧЕНЫ БИТЫ "
                          "EEPROM-00 " +
                              SettingsRig::kDateTime,
                          "EEPROM-00 = 1010 0001"}));
}

void TestEngineeringLambda::cancelChangesNothing_data() {
    QTest::addColumn<int>("which");
    QTest::newRow("switch on") << int(LambdaConfirmation::SwitchOn);
    QTest::newRow("switch off") << int(LambdaConfirmation::SwitchOff);
}

void TestEngineeringLambda::cancelChangesNothing() {
    QFETCH(int, which);
    SettingsRig rig;
    const ChoiceSelection page = rig.features.page().main();
    LambdaTraining& lambda = rig.features.lambda();
    QSignalSpy refresh(&lambda, &LambdaTraining::curveChartRefreshRequested);
    QSignalSpy clear(&lambda, &LambdaTraining::curveSeriesClearRequested);
    lambda.confirm(LambdaConfirmation(which), false);
    QCOMPARE(refresh.size(), 1); // the curve chart is refreshed all the same
    QCOMPARE(clear.size(), 0);
    QVERIFY(!rig.running());
    QVERIFY(rig.port.writes.isEmpty());
    QCOMPARE(rig.features.page().main(), page);
}

void TestEngineeringLambda::invalidAnswerUsesTheLastBitsRead() {
    SettingsRig rig;
    rig.model.edit([](ModuleSettings& s) { s.Flags00 = 0x11; });
    rig.script = [](const QString& command) -> QString {
        return command == QLatin1String("00*") ? QStringLiteral("1?") : QString();
    };
    LambdaTraining& lambda = rig.features.lambda();
    lambda.confirm(LambdaConfirmation::SwitchOn, true);
    rig.runToEnd();
    QCOMPARE(rig.port.writes, QStringList({"00*", "5100)", "00A1)"}));
    QVERIFY(rig.eventLines().contains(QStringLiteral("EEPROM-00 = 1000 1000")));
}

void TestEngineeringLambda::switchOnRefusedWhileBusyShowsNoWindow() {
    SettingsRig rig;
    rig.features.engineering().writeFixed(FixedEngineeringWrite::UPL_0);
    LambdaTraining& lambda = rig.features.lambda();
    QSignalSpy asked(&lambda, &LambdaTraining::confirmationRequested);
    QCOMPARE(lambda.atb_Other_TicherEmu_OnClick(), StartResult::Busy);
    QCOMPARE(asked.size(), 0);
    // A window answered after something else started is refused as well.
    QCOMPARE(lambda.confirm(LambdaConfirmation::SwitchOn, true), StartResult::Busy);
    QVERIFY(!rig.features.page().main().TicherEmu);
    rig.runToEnd();
    QCOMPARE(rig.port.writes, QStringList{"77E1)"});
}

void TestEngineeringLambda::trainingStopsWithThePort() {
    SettingsRig rig;
    LambdaTraining& lambda = rig.features.lambda();
    lambda.confirm(LambdaConfirmation::SwitchOn, true);
    rig.port.ClosePort();
    lambda.Timer_Lambda_Ticher().tick();
    QVERIFY(!lambda.Timer_Lambda_Ticher().isEnabled());
    QVERIFY(rig.features.page().main().TicherEmu); // the button keeps the new state
}

QTEST_GUILESS_MAIN(TestEngineeringLambda)
#include "tst_engineering_lambda.moc"
