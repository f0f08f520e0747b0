#include "choice_change.h"
#include "connect_read.h"
#include "engineering_change.h"
#include "journal_sink.h"
#include "memory_port.h"
#include "module_settings.h"
#include "page_selection.h"
#include "transaction_engine.h"

#include <QSignalSpy>
#include <QTest>

using settings_map::PumpTypeChoice;

Q_DECLARE_METATYPE(ChoiceOperation)
Q_DECLARE_METATYPE(EngineeringChoice)

class TestPageSelection : public QObject {
    Q_OBJECT
private slots:
    void showFlags00_data();
    void showFlags00();
    void showOtherBytes();
    void numBurnOutsideOneToEightChangesNothing();
    void composeFromThePage_data();
    void composeFromThePage();
    void composeFlags1F_data();
    void composeFlags1F();
    void noPressedButtonKeepsTheBitsAsRead();
    void operationTable();
    void engineeringPanel();
    void followsTheConnectionRead();
    void signalsOnlyOnChange();
};

void TestPageSelection::showFlags00_data() {
    QTest::addColumn<int>("byte");
    QTest::addColumn<bool>("system");
    QTest::addColumn<int>("pump"); // PumpTypeChoice
    QTest::addColumn<bool>("korrTab");
    QTest::addColumn<bool>("training");
    QTest::addColumn<bool>("fuel");
    QTest::newRow("0x81: system off")
        << 0x81 << true << int(PumpTypeChoice::Simple) << false << false << false;
    QTest::newRow("0x11: auto pump")
        << 0x11 << false << int(PumpTypeChoice::Auto) << false << false << false;
    QTest::newRow("0x30: ignore wins over bit 4")
        << 0x30 << false << int(PumpTypeChoice::Ignore) << false << false << false;
    QTest::newRow("0x0E: MAF basis, training, fuel outputs")
        << 0x0E << false << int(PumpTypeChoice::Simple) << true << true << true;
}

void TestPageSelection::showFlags00() {
    QFETCH(int, byte);
    QFETCH(bool, system);
    QFETCH(int, pump);
    QFETCH(bool, korrTab);
    QFETCH(bool, training);
    QFETCH(bool, fuel);
    ChoiceSelection page;
    page.Lambda_2 = true; // not of this byte: stays
    ShowFlags00(page, byte);
    QCOMPARE(page.System, std::optional<bool>(system));
    QCOMPARE(int(*page.PumpType), pump);
    QCOMPARE(page.KorrTab, std::optional<bool>(korrTab));
    QCOMPARE(page.TicherEmu, training);
    QCOMPARE(page.PInBurn, std::optional<bool>(fuel));
    QCOMPARE(page.Lambda_2, std::optional<bool>(true));
    // Showing a byte and composing from the page gives the byte back.
    QCOMPARE(ComposeFlags00(page, byte), byte);
}

void TestPageSelection::showOtherBytes() {
    ChoiceSelection page;
    ShowFlags01(page, 0x87);
    QCOMPARE(page.Lambda_2, std::optional<bool>(true));
    QCOMPARE(page.Language, std::optional<bool>(true));
    QCOMPARE(page.DMRVType, std::optional<bool>(true));
    QCOMPARE(page.ASinc, std::optional<bool>(true));
    ShowFlags1F(page, 0xA1);
    QCOMPARE(page.LDiapazone, std::optional<bool>(true));
    QCOMPARE(page.VidBloka, std::optional<bool>(true));
    QCOMPARE(page.Use_L, std::optional<bool>(false));
    QCOMPARE(page.CalcWater, std::optional<bool>(true));
    QCOMPARE(ComposeFlags1F(page, 0xA1), 0xA1);
    QCOMPARE(ComposeFlags01(page, 0x87), 0x87);
}

void TestPageSelection::numBurnOutsideOneToEightChangesNothing() {
    ChoiceSelection page;
    ShowNumBurn(page, 4);
    QCOMPARE(page.NumBurn, 4);
    ShowNumBurn(page, 0);
    QCOMPARE(page.NumBurn, 4);
    ShowNumBurn(page, 9);
    QCOMPARE(page.NumBurn, 4);
    ShowNumBurn(page, 8);
    QCOMPARE(page.NumBurn, 8);
    QCOMPARE(ComposeNumBurn(page, 3), 8);
    QCOMPARE(ComposeNumBurn(ChoiceSelection{}, 3), 3);
}

void TestPageSelection::composeFromThePage_data() {
    QTest::addColumn<int>("shown");  // the byte the page shows before the click
    QTest::addColumn<int>("asRead"); // the byte the transaction read
    QTest::addColumn<ChoiceOperation>("click");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("expected");
    using O = ChoiceOperation;
    QTest::newRow("System off on 0x05") << 0x05 << 0x05 << O::Other_System_Off << 0x00 << 0x85;
    QTest::newRow("System on on 0x85") << 0x85 << 0x85 << O::Other_System_On << 0x00 << 0x05;
    QTest::newRow("Ignore after Auto keeps bit 4") << 0x10 << 0x10 << O::TP_Ignore << 0x00 << 0x30;
    QTest::newRow("Simple clears bits 4 and 5") << 0x30 << 0x30 << O::TP_Simple << 0x00 << 0x00;
    QTest::newRow("Auto from Ignore") << 0x20 << 0x20 << O::TP_Auto << 0x00 << 0x10;
    QTest::newRow("MAF basis") << 0x11 << 0x11 << O::KorrTab_MAF << 0x00 << 0x13;
    QTest::newRow("fuel outputs") << 0x00 << 0x00 << O::PInBurn_Fuel << 0x00 << 0x08;
    QTest::newRow("bits 0, 2, 6 as read, not as shown")
        << 0x00 << 0x45 << O::Other_System_Off << 0x00 << 0xC5;
    QTest::newRow("catalyst") << 0x00 << 0x00 << O::LAMBDA_2_Catalizer << 0x01 << 0x01;
    QTest::newRow("English") << 0x00 << 0x00 << O::Lang_Eng << 0x01 << 0x02;
    QTest::newRow("MAP sensor keeps bits 3..6")
        << 0x78 << 0x78 << O::DMRV_Type_Sensor_MAP << 0x01 << 0x7C;
    QTest::newRow("asynchronous different") << 0x00 << 0x00 << O::Asinc_Different << 0x01 << 0x80;
    QTest::newRow("a bit changed in the module meanwhile is overruled by the page")
        << 0x00 << 0x04 << O::Asinc_Different << 0x01 << 0x80;
}

void TestPageSelection::composeFromThePage() {
    QFETCH(int, shown);
    QFETCH(int, asRead);
    QFETCH(ChoiceOperation, click);
    QFETCH(int, address);
    QFETCH(int, expected);
    ChoiceSelection page;
    if (address == 0x00)
        ShowFlags00(page, shown);
    else
        ShowFlags01(page, shown);
    Press(page, click);
    QCOMPARE(address, InfoOf(click).address);
    const int composed =
        address == 0x00 ? ComposeFlags00(page, asRead) : ComposeFlags01(page, asRead);
    QCOMPARE(composed, expected);
}

void TestPageSelection::composeFlags1F_data() {
    QTest::addColumn<EngineeringChoice>("click");
    QTest::addColumn<int>("expected");
    using C = EngineeringChoice;
    QTest::newRow("CalcWater summed on 0xA1") << C::CalcWater_Summ << 0x21;
    QTest::newRow("stretched range on 0xA1: unchanged") << C::LDiapazone_Yes << 0xA1;
    QTest::newRow("no stretched range") << C::LDiapazone_No << 0xA0;
    QTest::newRow("engineering menu view") << C::VidBloka_Ingener << 0x81;
    QTest::newRow("lambda used in training") << C::Use_L_Yes << 0xE1;
}

void TestPageSelection::composeFlags1F() {
    QFETCH(EngineeringChoice, click);
    QFETCH(int, expected);
    ChoiceSelection page;
    ShowFlags1F(page, 0xA1);
    Press(page, click);
    QCOMPARE(ComposeFlags1F(page, 0xA1), expected);
}

void TestPageSelection::noPressedButtonKeepsTheBitsAsRead() {
    const ChoiceSelection none;
    for (int byte : {0x00, 0x5A, 0xA5, 0xFF}) {
        QCOMPARE(ComposeFlags00(none, byte), byte);
        QCOMPARE(ComposeFlags01(none, byte), byte);
        QCOMPARE(ComposeFlags1F(none, byte), byte);
    }
    ChoiceSelection onlySystem;
    onlySystem.System = true;
    QCOMPARE(ComposeFlags00(onlySystem, 0x3F), 0xBF);
}

void TestPageSelection::operationTable() {
    QCOMPARE(int(ChoiceOperations().size()), 25);
    for (int i = 0; i < ChoiceOperationCount; ++i) {
        const ChoiceOperationInfo& info = ChoiceOperations()[i];
        QCOMPARE(int(info.operation), i);
        QVERIFY(QString::fromUtf8(info.journalText).startsWith(QLatin1Char(' ')));
        QCOMPARE(ChoiceOperationNamed(QLatin1String(info.settingName)), info.operation);
    }
    const ChoiceOperationInfo& off = InfoOf(ChoiceOperation::Other_System_Off);
    QCOMPARE(QLatin1String(off.button), QLatin1String("ssb_System_Off"));
    QCOMPARE(QString::fromUtf8(off.journalText), QStringLiteral(" Выключить систему"));
    QCOMPARE(QString::fromUtf8(InfoOf(ChoiceOperation::Other_NumBurn_8).journalText),
             QStringLiteral(" Установить число форсунок = 8"));
    QCOMPARE(InfoOf(ChoiceOperation::Other_NumBurn_8).address, 0x09);
    QCOMPARE(InfoOf(ChoiceOperation::KorrTab_VV).templateButton, nullptr);
    QVERIFY(!ChoiceOperationNamed(QStringLiteral("Other_NumBurn_9")));
    ChoiceSelection page;
    Press(page, ChoiceOperation::Other_NumBurn_7);
    QCOMPARE(page.NumBurn, 7);
}

void TestPageSelection::engineeringPanel() {
    SettingsPageModel model;
    QSignalSpy spy(&model, &SettingsPageModel::engineeringPanelChanged);
    QCOMPARE(model.engineeringPanel(), EngineeringPanel::Locked);
    model.sButton2Click();
    QCOMPARE(model.engineeringPanel(), EngineeringPanel::Unlocked);
    model.sButton2Click();
    model.sButton3Click();
    QCOMPARE(model.engineeringPanel(), EngineeringPanel::Removed);
    model.sButton2Click(); // nothing shows it again
    QCOMPARE(model.engineeringPanel(), EngineeringPanel::Removed);
    QCOMPARE(spy.size(), 2);
}

void TestPageSelection::followsTheConnectionRead() {
    MemoryPort port;
    port.OpenPort();
    StringListJournal journal;
    TransactionEngine engine(port, journal);
    engine.setAutomaticTicks(false);
    ModuleSettingsModel model;
    ConnectRead read(engine, model);
    SettingsPageModel page;
    page.follow(read);
    QSignalSpy decoded(&read, &ConnectRead::byteDecoded);

    const std::pair<const char*, const char*> answers[] = {
        {"00*", "18"}, {"10*", "40"}, {"90*", "70"}, {"F1*", "1A"}};
    read.startRead();
    // Every command answered twice alike; the answers above for the page's bytes.
    for (int i = 0; i < 200 && read.isEnabled(); ++i) {
        read.tick();
        QString answer = QStringLiteral("00");
        for (const auto& [command, text] : answers) {
            if (engine.SentCommand() == QLatin1String(command))
                answer = QLatin1String(text);
        }
        port.feed(answer);
        if (engine.SentCommand() == QLatin1String("2A%"))
            break;
    }
    QCOMPARE(page.main().System, std::optional<bool>(true));   // 0x81
    QCOMPARE(page.main().DMRVType, std::optional<bool>(true)); // 0x04
    QCOMPARE(page.main().NumBurn, 7);
    QCOMPARE(page.main().VidBloka, std::optional<bool>(true)); // 0xA1
    QCOMPARE(page.main().LDiapazone, std::optional<bool>(true));
    QVERIFY(decoded.size() >= 15); // 3 bit-field bytes and 12 numeric settings, twice each
    bool sawFlags00 = false;
    for (const QList<QVariant>& args : decoded) {
        if (args.at(0).toInt() == 0x00) {
            QCOMPARE(args.at(1).toInt(), 0x81);
            sawFlags00 = true;
        }
    }
    QVERIFY(sawFlags00);
}

void TestPageSelection::signalsOnlyOnChange() {
    SettingsPageModel model;
    QSignalSpy main(&model, &SettingsPageModel::mainChanged);
    QSignalSpy scale(&model, &SettingsPageModel::scaleChanged);
    model.editMain([](ChoiceSelection& s) { s.System = true; });
    model.editMain([](ChoiceSelection& s) { s.System = true; });
    QCOMPARE(main.size(), 1);
    const ScaleDisplay display{ScaleWindow{0.2, 0.7}, QStringLiteral("ОПР 0,45")};
    model.setScale(NumericSetting::OPR, display);
    model.setScale(NumericSetting::OPR, display);
    QCOMPARE(scale.size(), 1);
    QCOMPARE(model.scale(NumericSetting::OPR), display);
    QVERIFY(!model.scale(NumericSetting::PTN).window);
    model.announceAll();
    QCOMPARE(main.size(), 2);
    QCOMPARE(scale.size(), 1 + NumericSettingCount);
}

QTEST_GUILESS_MAIN(TestPageSelection)
#include "tst_page_selection.moc"
