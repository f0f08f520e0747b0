#include "dump_template.h"
#include "languages.h"
#include "settings_rig.h"
#include "text_file.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A module image with every field of the template worked out by hand.
void fillSourceImage(std::array<int, 256>& e) {
    for (int i = 0; i < 256; ++i)
        e[i] = (i * 7 + 3) & 0xFF;
    e[0x00] = 0xB6; // DP 0, MAF basis, training on, water outputs, Ignore (bit 4 also 1), off
    e[0x01] = 0x85; // catalyst, Russian, MAP, different
    e[0x04] = 120;  // KFuel
    e[0x08] = 155;  // PTN 1,55 on the template
    e[0x09] = 7;    // a hidden injector count
    e[0x0A] = 100;  // Porog_T 40
    e[0x0F] = 18;   // VolEng 1,8
    e[0x12] = 0x77; // the ignition value's other byte
    e[0x17] = 21;   // ZdK 10
    e[0x1A] = 0x37; // training register
    e[0x1B] = 0x85; // UKZ 0,05
    e[0x1D] = 50;   // OPR 0,25
    const QByteArray name("Mar2-SRC");
    for (int i = 0; i < 8; ++i)
        e[0x78 + i] = name.at(i);
    e[0x78] = 0x4D; // "M"
}

EepromImage imageOf(const std::array<int, 256>& e) {
    EepromImage image;
    for (int i = 0; i < 256; ++i)
        image[i] = std::uint8_t(e[i]);
    return image;
}

QString writeSourceFile(const QTemporaryDir& dir, const QString& name = QStringLiteral("a.mmr2")) {
    std::array<int, 256> e;
    fillSourceImage(e);
    const QString path = dir.filePath(name);
    if (!WriteDumpFile(path, imageOf(e)).isEmpty())
        return {};
    return path;
}

} // namespace

class TestDumpFiles : public QObject {
    Q_OBJECT
private slots:
    void templateShowsTheFile();
    void templateCopyTakesAllInjectorCountsAndTheBasis();
    void phaseCommands();
    void saveReadsEveryByteTwiceAndWritesTheFile();
    void saveReadsAgainAfterAWrongOrDamagedAnswer_data();
    void saveReadsAgainAfterAWrongOrDamagedAnswer();
    void saveGivesUpAfterFifteenBadAnswers();
    void saveStoppedByTheModuleErrorKeepsNoFile();
    void saveRefusesAnUnwritablePath();
    void openReplacesTemplateAndFlags();
    void openRefusesABadFileAndChangesNothing();
    void writeSendsTheFileThenTheSettings();
    void writeRepeatsUnacknowledgedCommands();
    void writeReadsEveryWrittenByteBack_data();
    void writeReadsEveryWrittenByteBack();
    void writeRefusesABadFileAndSendsNothing();
    void writeRefusedWithoutFileOrTemplate();
    void writeStoppedByAClosedPort();
};

void TestDumpFiles::templateShowsTheFile() {
    std::array<int, 256> e;
    fillSourceImage(e);
    InterfaceTexts texts;
    texts.setText(28, QStringLiteral("Задержка "));
    texts.setText(30, QStringLiteral("ОПР "));
    TemplatePage page;
    page.choices.Language = true; // not shown by the file: stays
    ShowImageOnTemplate(page, imageOf(e), texts, DecimalFormat(QLatin1Char(',')));
    QVERIFY(page.loaded);
    QCOMPARE(page.TicherEmu, std::optional<bool>(true));
    QCOMPARE(page.choices.System, std::optional<bool>(true));
    QCOMPARE(page.choices.PumpType,
             std::optional<settings_map::PumpTypeChoice>(settings_map::PumpTypeChoice::Ignore));
    QCOMPARE(page.choices.PInBurn, std::optional<bool>(false));
    QCOMPARE(page.choices.KorrTab, std::optional<bool>(true));
    QCOMPARE(page.choices.Lambda_2, std::optional<bool>(true));
    QCOMPARE(page.choices.DMRVType, std::optional<bool>(true));
    QCOMPARE(page.choices.ASinc, std::optional<bool>(true));
    QCOMPARE(page.choices.Language, std::optional<bool>(true));
    QCOMPARE(page.choices.NumBurn, 7);
    QCOMPARE(page.valueTexts[IndexOf(NumericSetting::KFuel)], QStringLiteral("120"));
    QCOMPARE(page.valueTexts[IndexOf(NumericSetting::PTN)], QStringLiteral("1,55"));
    QCOMPARE(page.valueTexts[IndexOf(NumericSetting::Porog_T)], QStringLiteral("40"));
    QCOMPARE(page.valueTexts[IndexOf(NumericSetting::VolEng)], QStringLiteral("1,8"));
    QCOMPARE(page.valueTexts[IndexOf(NumericSetting::ZdK)], QStringLiteral("10"));
    QCOMPARE(page.valueTexts[IndexOf(NumericSetting::OPR)], QStringLiteral("0,25"));
    QCOMPARE(page.UKZ, 0.05);
    QCOMPARE(page.moduleName.at(0), QLatin1Char('M'));
    QCOMPARE(page.moduleName, QStringLiteral("Mar2-SRC"));
    QCOMPARE(page.scales[IndexOf(NumericSetting::OPR)].caption, QStringLiteral("ОПР 0,25"));
    QCOMPARE(page.scales[IndexOf(NumericSetting::OPR)].window,
             std::optional<ScaleWindow>({0.0, 0.5}));
    QCOMPARE(page.scales[IndexOf(NumericSetting::ZdK)].caption, QStringLiteral("Задержка 10"));
    QVERIFY(!page.scales[IndexOf(NumericSetting::PTN)].window); // Chart_PTN_Sh is not set
    QVERIFY(page.scales[IndexOf(NumericSetting::PTN)].caption.isEmpty());

    e[0x09] = 9; // a count without a button
    ShowImageOnTemplate(page, imageOf(e), texts, DecimalFormat(QLatin1Char(',')));
    QCOMPARE(page.choices.NumBurn, 0);
}

void TestDumpFiles::templateCopyTakesAllInjectorCountsAndTheBasis() {
    std::array<int, 256> e;
    fillSourceImage(e);
    for (int count : {5, 7, 8, 2}) {
        e[0x09] = count;
        TemplatePage page;
        ShowImageOnTemplate(page, imageOf(e), InterfaceTexts{}, DecimalFormat(QLatin1Char(',')));
        ChoiceSelection main;
        main.NumBurn = 4;
        main.KorrTab = false;
        main.Language = true;
        ModuleSettings s;
        s.PTN = 2.0;
        QVERIFY(CopyTemplateToMain(page, DecimalFormat(QLatin1Char(',')), main, s));
        QCOMPARE(main.NumBurn, count);
        QCOMPARE(main.KorrTab, std::optional<bool>(true));
        QVERIFY(!main.Language); // the twins were never pressed
        QCOMPARE(s.OPR, 0.25);
        QCOMPARE(s.Porog_T, 40.0);
        QCOMPARE(s.ZdK, 10.0);
        QCOMPARE(s.VolEng, 1.8);
        QCOMPARE(s.KFuel, 120.0);
        QCOMPARE(s.PTN, 2.0); // not copied
        const QStringList phase2 = PhaseTwoCommands(main, s, imageOf(e));
        QCOMPARE(phase2.at(3), wire::WriteEepromCommand(count, 0x09));
    }
    TemplatePage empty;
    ChoiceSelection main;
    ModuleSettings s;
    QVERIFY(!CopyTemplateToMain(empty, DecimalFormat(QLatin1Char(',')), main, s));
    QCOMPARE(s, ModuleSettings{});
}

void TestDumpFiles::phaseCommands() {
    std::array<int, 256> e;
    fillSourceImage(e);
    const EepromImage image = imageOf(e);
    const QStringList phase1 = PhaseOneCommands(image);
    QCOMPARE(phase1.size(), 248);
    QCOMPARE(phase1.first(), QStringLiteral("6B00)")); // 0xB6 at 00
    QCOMPARE(phase1.at(0x77), wire::WriteEepromCommand(e[0x77], 0x77));
    QCOMPARE(phase1.at(0x78), wire::WriteEepromCommand(e[0x80], 0x80)); // the name is skipped
    QCOMPARE(phase1.last(), wire::WriteEepromCommand(e[0xFF], 0xFF));
    for (const QString& command : phase1) {
        const int address = wire::DecodeByte(QStringView(command).mid(2)).value();
        QVERIFY(address < 0x78 || address > 0x7F);
    }

    TemplatePage page;
    ShowImageOnTemplate(page, image, InterfaceTexts{}, DecimalFormat(QLatin1Char(',')));
    ChoiceSelection main;
    ModuleSettings s;
    TakeImageIntoSettings(s, image);
    QVERIFY(CopyTemplateToMain(page, DecimalFormat(QLatin1Char(',')), main, s));
    const QStringList phase2 = PhaseTwoCommands(main, s, image);
    QCOMPARE(phase2, QStringList({"00A1)", "6B00)", "5810)", "7090)", "33D1)", "56A0)", "4171)",
                                  "21F0)", "8740)"}));
    for (const QString& command : phase2)
        QVERIFY(!command.endsWith(QStringLiteral("21)"))); // EEPROM-12 is not overwritten
}

void TestDumpFiles::saveReadsEveryByteTwiceAndWritesTheFile() {
    SettingsRig rig;
    fillSourceImage(rig.eeprom);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("saved"));
    DumpFiles& dumps = rig.features.dumps();
    QSignalSpy lock(&rig.features.context(), &SettingsContext::lockRequested);
    QSignalSpy unlock(&rig.features.context(), &SettingsContext::unlockRequested);
    QSignalSpy completion(&rig.features.context(), &SettingsContext::completionText);
    QSignalSpy saved(&dumps, &DumpFiles::saved);
    QSignalSpy range(&rig.engine, &TransactionEngine::progressRangeChanged);

    QCOMPARE(dumps.saveToFile(path), StartResult::Started);
    QCOMPARE(lock.size(), 1);
    QCOMPARE(range.first(), QList<QVariant>({0, DumpFiles::SaveProgressMaximum}));
    QCOMPARE(dumps.TimerEEPROMSaveToFile().interval(), 50);
    QVERIFY(dumps.TimerEEPROMSaveToFile().advancesProgress());
    QVERIFY(!QFile::exists(path)); // nothing until every byte is read
    rig.runToEnd();
    QCOMPARE(saved.size(), 1);
    QCOMPARE(unlock.size(), 1);
    QCOMPARE(completion.last().at(0).toString(), QStringLiteral("Text37:"));
    QCOMPARE(rig.port.writes.size(), 2 * 256);
    QCOMPARE(rig.port.writes.mid(0, 4), QStringList({"00*", "00*", "10*", "10*"}));
    QCOMPARE(rig.port.writes.last(), QStringLiteral("FF*"));
    const DumpFileContent read = ReadDumpFile(path);
    QVERIFY2(read.ok(), qPrintable(EnglishText(read.error)));
    QCOMPARE(read.image, imageOf(rig.eeprom));
    QCOMPARE(dumps.lastFileName(), path);
    QCOMPARE(rig.engine.progress(), 0);
}

void TestDumpFiles::saveReadsAgainAfterAWrongOrDamagedAnswer_data() {
    // To "F1*" (EEPROM-1F holds 0xA5: "5A"); after the scripted answers the module answers right.
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<int>("reads");
    QTest::newRow("right at once") << QStringList{} << 2;
    QTest::newRow("a corrupted digit is still a digit") << QStringList{"5B"} << 3;
    QTest::newRow("lower case") << QStringList{"5a"} << 3;
    QTest::newRow("two answers in one tick") << QStringList{"5A5A"} << 3;
    QTest::newRow("a wrong answer between right ones") << QStringList{"5A", "5B"} << 4;
    QTest::newRow("no answer") << QStringList{""} << 3;
}

void TestDumpFiles::saveReadsAgainAfterAWrongOrDamagedAnswer() {
    QFETCH(QStringList, answers);
    QFETCH(int, reads);
    SettingsRig rig;
    fillSourceImage(rig.eeprom);
    rig.eeprom[0x1F] = 0xA5;
    int n = 0;
    rig.script = [&](const QString& command) -> QString {
        if (command == QLatin1String("F1*") && n < answers.size())
            return answers.at(n++);
        return QString();
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.mmr2"));
    rig.features.dumps().saveToFile(path);
    rig.runToEnd();
    QCOMPARE(int(rig.port.writes.count(QStringLiteral("F1*"))), reads);
    QCOMPARE(ReadDumpFile(path).image[0x1F], std::uint8_t(0xA5));
}

void TestDumpFiles::saveGivesUpAfterFifteenBadAnswers() {
    SettingsRig rig;
    rig.script = [](const QString& command) -> QString {
        static int flip = 0;
        if (command == QLatin1String("5A*")) // EEPROM-A5 never answers the same twice
            return (++flip % 2) ? QStringLiteral("12") : QStringLiteral("21");
        return QString();
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.mmr2"));
    DumpFiles& dumps = rig.features.dumps();
    QSignalSpy failed(&dumps, &DumpFiles::failed);
    QSignalSpy unlock(&rig.features.context(), &SettingsContext::unlockRequested);
    dumps.saveToFile(path);
    rig.runToEnd();
    QCOMPARE(failed.size(), 1);
    QVERIFY(failed.first().at(0).toString().contains(QStringLiteral("EEPROM-A5")));
    QCOMPARE(unlock.size(), 1);
    // The first answer is a candidate; the 16th that disagrees ends the save.
    QCOMPARE(int(rig.port.writes.count(QStringLiteral("5A*"))), 17);
    QVERIFY(!rig.port.writes.contains(QStringLiteral("6A*")));
    QVERIFY(!QFile::exists(path));
    QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty()); // no temporary
    QVERIFY(rig.eventLines().contains(QStringLiteral("Ошибка чтения. Адрес 5A")));
    QCOMPARE(dumps.stage(), DumpFiles::Stage::Idle);
    QVERIFY(dumps.lastFileName().isEmpty());
}

void TestDumpFiles::saveStoppedByTheModuleErrorKeepsNoFile() {
    SettingsRig rig;
    rig.script = [](const QString& command) -> QString {
        return command == QLatin1String("03*") ? QStringLiteral("*") : QString();
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.mmr2"));
    QSignalSpy failed(&rig.features.dumps(), &DumpFiles::failed);
    rig.features.dumps().saveToFile(path);
    rig.runToEnd();
    QCOMPARE(failed.size(), 1);
    QVERIFY(!QFile::exists(path));
    QCOMPARE(rig.features.dumps().stage(), DumpFiles::Stage::Idle);
    QCOMPARE(rig.port.writes.last(), QStringLiteral("03*"));
}

void TestDumpFiles::saveRefusesAnUnwritablePath() {
    SettingsRig rig;
    QSignalSpy refused(&rig.features.context(), &SettingsContext::refused);
    QSignalSpy lock(&rig.features.context(), &SettingsContext::lockRequested);
    QCOMPARE(rig.features.dumps().saveToFile(QStringLiteral("/nonexistent/dir/x.mmr2")),
             StartResult::Invalid);
    QCOMPARE(refused.size(), 1);
    QVERIFY(refused.first().at(2).toString().contains(QStringLiteral("x.mmr2")));
    QCOMPARE(lock.size(), 0);
    QVERIFY(!rig.running());
}

void TestDumpFiles::openReplacesTemplateAndFlags() {
    SettingsRig rig;
    QTemporaryDir dir;
    const QString path = writeSourceFile(dir);
    QVERIFY(!path.isEmpty());
    rig.features.page().editMain([](ChoiceSelection& s) { s.System = false; });
    const ChoiceSelection main = rig.features.page().main();
    QSignalSpy completion(&rig.features.context(), &SettingsContext::completionText);
    QVERIFY(rig.features.dumps().openFromFile(path));
    QCOMPARE(completion.last().at(0).toString(), QStringLiteral("Text38:"));
    QCOMPARE(rig.features.dumps().lastFileName(), path);
    QCOMPARE(rig.features.page().main(), main); // the main page is untouched
    const TemplatePage& page = rig.features.page().templatePage();
    QVERIFY(page.loaded);
    QCOMPARE(page.moduleName, QStringLiteral("Mar2-SRC"));
    QCOMPARE(page.scales[IndexOf(NumericSetting::KFuel)].caption, QStringLiteral("Text31:120"));
    QCOMPARE(rig.model.settings().Flags00, 0xB6);
    QCOMPARE(rig.model.settings().Flags01, 0x85);
    QCOMPARE(rig.model.settings().ModuleName, QStringLiteral("Mar2-SRC"));
    QVERIFY(rig.port.writes.isEmpty());

    rig.features.dumps().openCancelled();
    QCOMPARE(completion.size(), 2);
}

void TestDumpFiles::openRefusesABadFileAndChangesNothing() {
    SettingsRig rig;
    QTemporaryDir dir;
    QStringList lines = DumpFileLines(EepromImage{});
    lines[40] = QStringLiteral("EEPROM-28 = x1");
    const QString path = dir.filePath(QStringLiteral("bad.mmr2"));
    QCOMPARE(WriteTextFile(path, lines), QString());
    InterfaceTexts texts = rig.features.context().texts();
    texts.apply(LanguageFileEntry{QStringLiteral("fmMain"), QStringLiteral("Msg_DumpRefusedLine"),
                                  QStringLiteral("Caption"), QStringLiteral("refused: line %1")});
    rig.features.context().setTexts(texts);
    QSignalSpy failed(&rig.features.dumps(), &DumpFiles::failed);
    QSignalSpy completion(&rig.features.context(), &SettingsContext::completionText);
    QVERIFY(!rig.features.dumps().openFromFile(path));
    QCOMPARE(failed.size(), 1);
    QVERIFY(failed.first().at(0).toString().contains(QStringLiteral("line 41")));
    // The status says why, never "opened".
    QCOMPARE(completion.size(), 1);
    QCOMPARE(completion.last().at(0).toString(), QStringLiteral("refused: line 41"));
    QVERIFY(!rig.features.page().templatePage().loaded);
    QVERIFY(rig.features.dumps().lastFileName().isEmpty());
    QCOMPARE(rig.model.settings(), ModuleSettings{});
}

void TestDumpFiles::writeSendsTheFileThenTheSettings() {
    SettingsRig rig;
    rig.eeprom.fill(0x5C);
    rig.features.page().showDecoded(0x00, 0x00); // the connected module's page: VV basis
    rig.features.page().editMain([](ChoiceSelection& s) { s.VidBloka = true; });
    QTemporaryDir dir;
    const QString path = writeSourceFile(dir);
    DumpFiles& dumps = rig.features.dumps();
    QVERIFY(dumps.openFromFile(path));
    QSignalSpy lock(&rig.features.context(), &SettingsContext::lockRequested);
    QSignalSpy unlock(&rig.features.context(), &SettingsContext::unlockRequested);
    QSignalSpy completion(&rig.features.context(), &SettingsContext::completionText);
    QSignalSpy written(&dumps, &DumpFiles::written);
    QSignalSpy phase2(&dumps, &DumpFiles::settingsWriteStarted);
    QSignalSpy verification(&dumps, &DumpFiles::verificationStarted);

    QCOMPARE(dumps.saveToModule(), StartResult::Started);
    QCOMPARE(lock.size(), 1);
    QCOMPARE(completion.first().at(0).toString(), QString());
    // The template is on the main page at once.
    const ChoiceSelection& main = rig.features.page().main();
    QCOMPARE(main.NumBurn, 7);
    QCOMPARE(main.KorrTab, std::optional<bool>(true));
    QVERIFY(!main.VidBloka); // copied from its released twins
    QCOMPARE(rig.model.settings().ZdK, 10.0);
    QCOMPARE(rig.features.page().scale(NumericSetting::ZdK).caption, QStringLiteral("Text28:10"));
    QVERIFY(!rig.features.page().scale(NumericSetting::PTN).window);
    QCOMPARE(dumps.TimerEEPROMSaveToModule().interval(), 100);

    rig.runToEnd();
    QCOMPARE(written.size(), 1);
    QCOMPARE(phase2.size(), 1);
    QCOMPARE(unlock.size(), 1);
    QCOMPARE(completion.last().at(0).toString(), QStringLiteral("Text39:"));
    QCOMPARE(verification.size(), 1);
    QCOMPARE(rig.port.writes.mid(248, 9), QStringList({"00A1)", "6B00)", "5810)", "7090)", "33D1)",
                                                       "56A0)", "4171)", "21F0)", "8740)"}));
    // Then every written byte is read back once in address order; the name is not.
    const QStringList readBack = rig.port.writes.mid(248 + 9);
    QCOMPARE(readBack.size(), 248);
    QCOMPARE(readBack.mid(0, 3), QStringList({"00*", "10*", "20*"}));
    QVERIFY(!readBack.contains(QStringLiteral("87*")));
    QCOMPARE(readBack.last(), QStringLiteral("FF*"));
    std::array<int, 256> expected;
    fillSourceImage(expected);
    for (int i = 0x78; i < 0x80; ++i)
        expected[i] = 0x5C; // the module keeps its name
    expected[0x1A] = 0;
    expected[0x1D] = 51; // OPR 0,25 written back as 51
    expected[0x0A] = 101;
    expected[0x17] = 20;
    QCOMPARE(rig.eeprom, expected);
    QCOMPARE(dumps.stage(), DumpFiles::Stage::Idle);
}

void TestDumpFiles::writeRepeatsUnacknowledgedCommands() {
    SettingsRig rig;
    QTemporaryDir dir;
    const QString path = writeSourceFile(dir);
    rig.features.dumps().openFromFile(path);
    int count = 0;
    rig.script = [&](const QString& command) -> QString {
        if (!command.endsWith(QLatin1Char(')')))
            return QString();
        ++count;
        if (count % 3 == 1)
            return QStringLiteral("?");
        if (count % 3 == 2)
            return QStringLiteral("");
        return QString();
    };
    rig.features.dumps().saveToModule();
    rig.runToEnd(10000);
    const QStringList writes = rig.port.writes.filter(QRegularExpression(QStringLiteral("\\)$")));
    QCOMPARE(writes.size(), 3 * (248 + 9));
    QCOMPARE(rig.eeprom[0xFF], (0xFF * 7 + 3) & 0xFF);
}

void TestDumpFiles::writeRefusesABadFileAndSendsNothing() {
    SettingsRig rig;
    QTemporaryDir dir;
    const QString path = writeSourceFile(dir);
    QVERIFY(rig.features.dumps().openFromFile(path));
    // The file changes on disk after it was opened: line 201 is damaged.
    QStringList lines = ReadTextFile(path).lines;
    lines[200] = QStringLiteral("EEPROM-C8 = ZZ");
    QCOMPARE(WriteTextFile(path, lines), QString());

    const ChoiceSelection main = rig.features.page().main();
    const ModuleSettings settings = rig.model.settings();
    QSignalSpy refused(&rig.features.context(), &SettingsContext::refused);
    QSignalSpy lock(&rig.features.context(), &SettingsContext::lockRequested);
    QCOMPARE(rig.features.dumps().saveToModule(), StartResult::Invalid);
    QCOMPARE(refused.size(), 1);
    QCOMPARE(refused.first().at(0).toString(), QStringLiteral("ssb_EEPROM_SaveToModule"));
    QVERIFY2(refused.first().at(2).toString().contains(QStringLiteral("line 201")),
             qPrintable(refused.first().at(2).toString()));
    QCOMPARE(lock.size(), 0);
    QVERIFY(!rig.running());
    QVERIFY(rig.port.writes.isEmpty());
    QCOMPARE(rig.features.page().main(), main);
    QCOMPARE(rig.model.settings(), settings);
}

void TestDumpFiles::writeRefusedWithoutFileOrTemplate() {
    SettingsRig rig;
    QCOMPARE(rig.features.dumps().saveToModule(), StartResult::Invalid);
    // A saved file without an opened template.
    QTemporaryDir dir;
    rig.features.dumps().saveToFile(dir.filePath(QStringLiteral("s.mmr2")));
    rig.runToEnd();
    QCOMPARE(rig.features.dumps().lastFileName(), dir.filePath(QStringLiteral("s.mmr2")));
    rig.port.writes.clear();
    QSignalSpy refused(&rig.features.context(), &SettingsContext::refused);
    QCOMPARE(rig.features.dumps().saveToModule(), StartResult::Invalid);
    QVERIFY(refused.first().at(2).toString().contains(QStringLiteral("template")));
    QVERIFY(rig.port.writes.isEmpty());
}

void TestDumpFiles::writeStoppedByAClosedPort() {
    SettingsRig rig;
    QTemporaryDir dir;
    rig.features.dumps().openFromFile(writeSourceFile(dir));
    QSignalSpy failed(&rig.features.dumps(), &DumpFiles::failed);
    QSignalSpy unlock(&rig.features.context(), &SettingsContext::unlockRequested);
    rig.features.dumps().saveToModule();
    for (int i = 0; i < 10; ++i)
        rig.exchange();
    rig.port.ClosePort();
    rig.exchange(); // the tick finds the port closed and stops the transfer
    QCOMPARE(failed.size(), 1);
    QCOMPARE(unlock.size(), 1);
    QVERIFY(!rig.running());
    QCOMPARE(rig.features.dumps().stage(), DumpFiles::Stage::Idle);
}

void TestDumpFiles::writeReadsEveryWrittenByteBack_data() {
    // What the module does with EEPROM-C8 (the file has 0x7B there, the module 0x5C).
    QTest::addColumn<int>("lostWrites");  // writes to C8 acknowledged but not kept
    QTest::addColumn<bool>("unreadable"); // reads of C8 answered in lower case
    QTest::addColumn<QString>("failure"); // empty: the write ends verified
    QTest::newRow("a lost write is written again") << 1 << false << QString();
    QTest::newRow("lost twice, also during the rewrite") << 2 << false << QString();
    QTest::newRow("a byte that never keeps its value")
        << 1000 << false << QStringLiteral("EEPROM-C8 holds 5C after 15 rewrites");
    QTest::newRow("a byte that cannot be read back")
        << 0 << true << QStringLiteral("EEPROM-C8 could not be read back");
}

void TestDumpFiles::writeReadsEveryWrittenByteBack() {
    QFETCH(int, lostWrites);
    QFETCH(bool, unreadable);
    QFETCH(QString, failure);
    SettingsRig rig;
    rig.eeprom.fill(0x5C);
    QTemporaryDir dir;
    QVERIFY(rig.features.dumps().openFromFile(writeSourceFile(dir)));
    int lost = 0;
    rig.script = [&](const QString& command) -> QString {
        if (command.endsWith(QStringLiteral("8C)")) && lost < lostWrites) {
            ++lost;
            return QStringLiteral("!");
        }
        if (unreadable && command == QLatin1String("8C*"))
            return QStringLiteral("b5");
        return QString();
    };
    DumpFiles& dumps = rig.features.dumps();
    QSignalSpy written(&dumps, &DumpFiles::written);
    QSignalSpy failed(&dumps, &DumpFiles::failed);
    QSignalSpy unlock(&rig.features.context(), &SettingsContext::unlockRequested);
    QSignalSpy completion(&rig.features.context(), &SettingsContext::completionText);
    QCOMPARE(dumps.saveToModule(), StartResult::Started);
    rig.runToEnd(10000);
    QCOMPARE(unlock.size(), 1);
    QCOMPARE(dumps.stage(), DumpFiles::Stage::Idle);
    QVERIFY(!rig.running());
    if (failure.isEmpty()) {
        QCOMPARE(written.size(), 1);
        QVERIFY(failed.isEmpty());
        QCOMPARE(rig.eeprom[0xC8], (0xC8 * 7 + 3) & 0xFF);
        QCOMPARE(completion.last().at(0).toString(), QStringLiteral("Text39:"));
        // The rewrite goes between the read-backs of C8, and C9 is read only after that.
        const qsizetype rewrite = rig.port.writes.lastIndexOf(QStringLiteral("B78C)"));
        QVERIFY(rewrite > rig.port.writes.indexOf(QStringLiteral("00A1)")));
        QVERIFY(rig.port.writes.indexOf(QStringLiteral("9C*")) > rewrite);
    } else {
        QVERIFY(written.isEmpty()); // never a success on an unverified module
        QCOMPARE(failed.size(), 1);
        QVERIFY2(failed.first().at(0).toString().contains(failure),
                 qPrintable(failed.first().at(0).toString()));
        QVERIFY(completion.isEmpty() || completion.last().at(0).toString() != "Text39:");
        QVERIFY(!rig.port.writes.contains(QStringLiteral("9C*")));
    }
}

QTEST_GUILESS_MAIN(TestDumpFiles)
#include "tst_dump_files.moc"
