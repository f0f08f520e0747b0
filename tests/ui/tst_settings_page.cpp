// The settings page driven through its named controls, offscreen, against the simulated module on
// a pseudo-terminal.
#include "com_port.h"
#include "connect_read.h"
#include "journal_sink.h"
#include "lambda_windows.h"
#include "module_settings.h"
#include "options_file.h"
#include "pty_module.h"
#include "settings_features.h"
#include "settings_page.h"
#include "transaction_engine.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace {

struct Bench {
    Bench() {
        QString error;
        started = module.start(&error);
        if (!started)
            qWarning() << "simulator:" << error;
        sim().setEngineEnabled(false);
        port.setBaudRate(TBaudRate::br19200);
        port.setPort(module.slavePath());
        // The connection read confirms an answer only when it arrives within one tick, so it
        // runs at half the real intervals; the changes afterwards run faster.
        engine.setIntervalScale(0.5);
        features.follow(read);
        QObject::connect(&read, &ConnectRead::identified, &features,
                         &SettingsFeatures::Btn_Raschet_Marvek_2Click);
        InterfaceTexts texts = features.context().texts();
        texts.setText(30, QStringLiteral("Определение переходных режимов: "));
        texts.setText(37, QStringLiteral("Настройки сохранены в файл"));
        texts.setText(41, QStringLiteral("Включить обучение эмулятора лямбды?"));
        features.context().setTexts(texts);
        page = std::make_unique<SettingsPage>(features);
        page->resize(900, 600);
    }
    sim::Module& sim() { return module.module(); }
    int eeprom(int address) { return sim().state().eeprom(address); }

    bool connectModule() {
        try {
            if (!port.OpenPort())
                return false;
        } catch (const EComPort& e) {
            qWarning() << e.message();
            return false;
        }
        QSignalSpy identified(&read, &ConnectRead::identified);
        read.startRead();
        if (!QTest::qWaitFor([&] { return identified.size() == 1; }, 20000))
            return false;
        engine.setIntervalScale(0.2);
        return true;
    }

    template <typename T = QToolButton> T* control(const char* name) {
        return page->findChild<T*>(QLatin1String(name));
    }

    sim::PtyModule module;
    bool started = false;
    TBComPort port;
    StringListJournal journal;
    TransactionEngine engine{port, journal};
    ModuleSettingsModel model;
    ConnectRead read{engine, model};
    SettingsFeatures features{engine, model};
    std::unique_ptr<SettingsPage> page;
};

} // namespace

class TestSettingsPage : public QObject {
    Q_OBJECT
private slots:
    void namedControlsExist();
    void engineeringPanelLockAndRemoval();
    void readShowsTheModule();
    void systemOffClickWritesBitSeven();
    void pumpTypeSimpleShowsThreshold();
    void oprUpButtonWrites();
    void dumpSavedThroughHook();
    void lambdaWindowAnswersTraining();
};

void TestSettingsPage::namedControlsExist() {
    Bench b;
    for (const char* name : {"ssb_System_On",
                             "ssb_System_Off",
                             "ssb_PInBurn_Water",
                             "ssb_PInBurn_Fuel",
                             "ssb_PumpType_Simple",
                             "ssb_PumpType_Auto",
                             "ssb_PumpType_Ignore",
                             "ssb_Lambda_2_Simple",
                             "ssb_Lambda_2_Catalizer",
                             "ssb_Rus",
                             "ssb_Eng",
                             "ssb_DMRVType_MAF",
                             "ssb_DMRVType_MAP",
                             "ssb_ASinc_Same",
                             "ssb_ASinc_Different",
                             "sb_NumBurn_1",
                             "sb_NumBurn_8",
                             "ssb_OPR_Up",
                             "ssb_OPR_Down",
                             "ssb_KFuel_Up",
                             "atb_Other_TicherEmu_On",
                             "atb_Other_TicherEmu_Off",
                             "ssb_EEPROM_SaveToFile",
                             "ssb_EEPROM_OpenFromFile",
                             "ssb_EEPROM_SaveToModule",
                             "ssb_LDiapazone_No",
                             "ssb_LDiapazone_Yes",
                             "ssb_VidBloka_Ingener",
                             "ssb_VidBloka_Simple",
                             "ssb_Use_L_No",
                             "ssb_Use_L_Yes",
                             "ssb_CalcWater_Summ",
                             "ssb_CalcWater_Same",
                             "ssb_LUup_012",
                             "ssb_LUup_075",
                             "ssb_LUdown_012",
                             "ssb_UPL_0",
                             "ssb_UPL_045",
                             "ssb_System_On_Sh",
                             "sb_NumBurn_6_Sh",
                             "ssb_VidBloka_Simple_Sh",
                             "ssb_OPR_Up_Sh",
                             "atb_Other_TicherEmu_Sh"})
        QVERIFY2(b.control(name), name);
    for (const char* name : {"sgb_OPR", "sgb_PTN", "sgb_Porog_T", "sgb_ZDK", "sgb_VolEng",
                             "sgb_KFuel", "sgb_PumpType", "sgb_PumpType_Sh", "sgb_OPR_Sh"})
        QVERIFY2(b.control<QGroupBox>(name), name);
    for (const char* name : {"Edit_OPR", "Edit_PTN", "Ed_Other_Porog_T", "Ed_Other_Zad_Korr",
                             "Ed_Other_VolEng", "Ed_Other_K_Fuel", "Ed_Other_UKZ", "Edit_OPR_Sh"})
        QVERIFY2(b.control<QLineEdit>(name), name);
    for (const char* name : {"Chart_OPR", "Chart_KFuel", "Chart_OPR_Sh", "spnl_2012_Ingener",
                             "spc_Tuning_Sh", "sPanel29", "spnl_Shablon"})
        QVERIFY2(b.control<QWidget>(name), name);
    QVERIFY(!b.page->templateShown());
    b.page->showTemplate();
    QVERIFY(b.page->templateShown());
}

void TestSettingsPage::engineeringPanelLockAndRemoval() {
    Bench b;
    b.page->show();
    b.page->tuning()->setCurrentWidget(b.page->engineeringTab());
    auto* panel = b.control<QWidget>("spnl_2012_Ingener");
    QCOMPARE(panel->width(), 318);
    QVERIFY(!b.control<QGroupBox>("sgb_LUup")->isVisible());
    QTest::mouseClick(b.control<QAbstractButton>("sButton2"), Qt::LeftButton);
    QVERIFY(b.control<QGroupBox>("sgb_LUup")->isVisible());
    QVERIFY(!b.control<QAbstractButton>("sButton2")->isVisible());

    Bench c;
    c.page->show();
    c.page->tuning()->setCurrentWidget(c.page->engineeringTab());
    QTest::mouseClick(c.control<QAbstractButton>("sButton3"), Qt::LeftButton);
    QVERIFY(!c.control<QWidget>("spnl_2012_Ingener")->isVisible());
    QVERIFY(c.page->sRadioGroup1->isVisible());
}

void TestSettingsPage::readShowsTheModule() {
    Bench b;
    QVERIFY(b.started);
    QVERIFY(b.connectModule());
    QVERIFY(b.control("ssb_System_On")->isChecked());
    QVERIFY(!b.control("ssb_System_Off")->isChecked());
    QVERIFY(b.control("sb_NumBurn_4")->isChecked());
    QVERIFY(b.control("ssb_PumpType_Auto")->isChecked()); // default EEPROM-00 0x11
    QVERIFY(b.control<QGroupBox>("sgb_PumpType")->height() >= PumpTypeHeightShort);
    // Short, the group still shows its buttons whole.
    QVERIFY(b.control("ssb_PumpType_Auto")->height() >=
            b.control("ssb_PumpType_Auto")->sizeHint().height());
    QVERIFY(!b.control<QGroupBox>("sgb_PTN")->isVisibleTo(b.page.get()));
    QVERIFY(b.control<QGroupBox>("sgb_VolEng")->isHidden());
    QVERIFY(b.control("ssb_PInBurn_Water")->isChecked());
    QVERIFY(b.control("ssb_Rus")->isChecked());
    QVERIFY(b.control("ssb_DMRVType_MAF")->isChecked());
    QCOMPARE(b.control<QLineEdit>("Edit_OPR")->text().replace(',', '.'), QStringLiteral("0.25"));
    QCOMPARE(b.control<QGroupBox>("sgb_OPR")->title().replace(',', '.'),
             QStringLiteral("Определение переходных режимов: 0.25"));
    QCOMPARE(b.control<QLineEdit>("Ed_Other_K_Fuel")->text(), QStringLiteral("100"));
    // Training off: the switch-on button is in front.
    QVERIFY(b.control("atb_Other_TicherEmu_On")->isVisibleTo(b.page.get()));
    QVERIFY(!b.control("atb_Other_TicherEmu_Off")->isVisibleTo(b.page.get()));
}

void TestSettingsPage::systemOffClickWritesBitSeven() {
    Bench b;
    QVERIFY(b.started);
    QVERIFY(b.connectModule());
    QSignalSpy finished(&b.features.choices(), &ChoiceChange::finished);
    b.control("ssb_System_Off")->click();
    QVERIFY(b.control("ssb_System_Off")->isChecked());
    QVERIFY(!b.control("ssb_System_On")->isChecked());
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
    QCOMPARE(b.eeprom(0x00) & 0x80, 0x80);
    QCOMPARE(b.eeprom(0x00), 0x91);

    // A click while the port is closed is refused: the button goes back to the model.
    QSignalSpy message(b.page.get(), &SettingsPage::message);
    b.port.ClosePort();
    b.control("ssb_System_On")->click();
    QVERIFY(b.control("ssb_System_Off")->isChecked());
    QVERIFY(!b.control("ssb_System_On")->isChecked());
    QCOMPARE(message.size(), 1);
}

void TestSettingsPage::pumpTypeSimpleShowsThreshold() {
    Bench b;
    QVERIFY(b.started);
    QVERIFY(b.connectModule());
    QSignalSpy finished(&b.features.choices(), &ChoiceChange::finished);
    b.control("ssb_PumpType_Simple")->click();
    // The old height is a minimum: the group grows until the threshold's scale lies inside.
    auto* pumpType = b.control<QGroupBox>("sgb_PumpType");
    auto* ptn = b.control<QGroupBox>("sgb_PTN");
    QVERIFY(pumpType->height() >= PumpTypeHeightSimpleAfterClick);
    QVERIFY(ptn->isVisibleTo(b.page.get()));
    QVERIFY(pumpType->rect().contains(ptn->geometry()));
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
    QCOMPARE(b.eeprom(0x00) & 0x30, 0);
}

void TestSettingsPage::oprUpButtonWrites() {
    Bench b;
    QVERIFY(b.started);
    QVERIFY(b.connectModule());
    b.features.stepper().setAutomaticRepeat(false);
    QSignalSpy written(&b.features.stepper(), &ScaleStepper::written);
    b.page->show();
    auto* up = b.control("ssb_OPR_Up");
    QTest::mousePress(up, Qt::LeftButton);
    QVERIFY(b.features.stepper().isHolding());
    QVERIFY(b.features.stepper().repeatTick());
    QVERIFY(b.features.stepper().repeatTick());
    QTest::mouseRelease(up, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(written.size(), 1, 10000);
    QCOMPARE(b.eeprom(0x1D), 71); // 0.35: trunc(0.35 * 200) + 1
    QCOMPARE(b.control<QLineEdit>("Edit_OPR")->text().replace(',', '.'), QStringLiteral("0.35"));
    QVERIFY(b.control<QGroupBox>("sgb_OPR")->title().replace(',', '.').endsWith("0.35"));
}

void TestSettingsPage::dumpSavedThroughHook() {
    Bench b;
    QVERIFY(b.started);
    QVERIFY(b.connectModule());
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString chosen = dir.filePath(QStringLiteral("settings.txt"));
    b.page->askSaveFileName = [&] { return chosen; };
    QSignalSpy lock(b.page.get(), &SettingsPage::lockRequested);
    QSignalSpy unlock(b.page.get(), &SettingsPage::unlockRequested);
    QSignalSpy status(b.page.get(), &SettingsPage::bottomStatusText);
    QSignalSpy saved(&b.features.dumps(), &DumpFiles::saved);
    b.control("ssb_EEPROM_SaveToFile")->click();
    QCOMPARE(lock.size(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(saved.size(), 1, 60000);
    QTRY_VERIFY(unlock.size() >= 1);
    QVERIFY(status.contains(QVariantList{QStringLiteral("Настройки сохранены в файл")}));
    QFile file(chosen + QStringLiteral(".mmr2"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 257); // 256 lines ending in CR LF
    QCOMPARE(lines[9].trimmed(), QByteArray("EEPROM-09 = 04"));

    // Opened onto the template page.
    b.page->askOpenFileName = [&] { return chosen + QStringLiteral(".mmr2"); };
    b.page->showTemplate();
    b.control("ssb_EEPROM_OpenFromFile")->click();
    QVERIFY(b.control("sb_NumBurn_4_Sh")->isChecked());
    QVERIFY(b.control("ssb_System_On_Sh")->isChecked());
    QCOMPARE(b.control<QLineEdit>("Ed_Other_K_Fuel_Sh")->text(), QStringLiteral("100"));
    QVERIFY(b.control<QWidget>("sPanel29")->property("text").toString().contains("Marvek-2"));
}

void TestSettingsPage::lambdaWindowAnswersTraining() {
    Bench b;
    QVERIFY(b.started);
    QVERIFY(b.connectModule());
    QSignalSpy on(&b.features.lambda(), &LambdaTraining::switchedOn);
    b.control("atb_Other_TicherEmu_On")->click();
    LambdaWindow* window = b.page->lambdaWindow(LambdaConfirmation::SwitchOn);
    QTRY_VERIFY(window->isVisible());
    QCOMPARE(window->objectName(), QStringLiteral("TfmLambdaOn"));
    QCOMPARE(window->Label1->text(), QStringLiteral("Включить обучение эмулятора лямбды?"));
    window->atb_OK->click();
    QVERIFY(!window->isVisible());
    QVERIFY(b.control("atb_Other_TicherEmu_Off")->isVisibleTo(b.page.get()));
    QTRY_COMPARE_WITH_TIMEOUT(on.size(), 1, 10000);
    QCOMPARE(b.eeprom(0x00) & 0x04, 0x04);
    QCOMPARE(b.eeprom(0x1A), 0);
}

QTEST_MAIN(TestSettingsPage)
#include "tst_settings_page.moc"
