#include "dump_file.h"
#include "languages.h"
#include "pty_rig.h"
#include "text_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// marvek2-cli dump and restore, run as processes against a simulated module living in this
// test's event loop (CliRun lets the loop run while it waits).
namespace {

QByteArray sourceImage() {
    QByteArray e = sim::ModuleState::defaultEeprom();
    e[0x00] = char(0x2E); // MAF basis, Ignore
    e[0x01] = char(0x86);
    e[0x09] = char(8); // a hidden injector count
    e[0x0A] = char(57);
    e[0x17] = char(33);
    e[0x1A] = char(0x11);
    e[0x1D] = char(60);
    for (int a = 0x80; a < 0x100; ++a)
        e[a] = char((a * 11 + 3) & 0xFF);
    e.replace(0x78, 8, "SRC-0002");
    return e;
}

QByteArray targetImage() {
    QByteArray e = MakeImage([](int i) { return i * 29 + 7; });
    e[0x00] = char(0x11);
    e.replace(0x78, 8, "Marvek-2");
    return e;
}

QByteArray expectedTarget() {
    QByteArray e = sourceImage();
    e.replace(0x78, 8, targetImage().mid(0x78, 8));
    e[0x1A] = 0;
    e[0x1D] = char(61);
    e[0x0A] = char(56);
    e[0x17] = char(32);
    return e;
}

EepromImage asImage(const QByteArray& bytes) {
    EepromImage image{};
    for (int i = 0; i < 256; ++i)
        image[i] = std::uint8_t(bytes.at(i));
    return image;
}

QStringList args(std::initializer_list<QString> list) {
    return QStringList(list);
}

} // namespace

class TestSettingsCliOverPty : public QObject {
    Q_OBJECT
private slots:
    void dumpWritesTheWholeEeprom();
    void restoreWritesTheFileIntoAModule_data();
    void restoreWritesTheFileIntoAModule();
    void restoreFailsOnAByteTheModuleDoesNotKeep();
    void restoreRefusesABadFileAndSendsNothing();
    void restoreRefusesAForeignModule();
    void dumpFromASilentModuleFailsWithoutAFile();
};

void TestSettingsCliOverPty::dumpWritesTheWholeEeprom() {
    PtyRig rig(sourceImage());
    QVERIFY(rig.started);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("module.dump")); // written as named
    CliRun cli;
    QVERIFY(cli.run(QStringLiteral(MARVEK2_CLI),
                    args({"dump", "--fast", "--port", rig.module.slavePath(), "--out", path}),
                    60000));
    QVERIFY2(cli.exitCode() == 0, cli.err.constData());
    QVERIFY(cli.err.contains("EEPROM-80")); // progress on standard error
    QVERIFY(!QFile::exists(path + QStringLiteral(".mmr2")));
    const DumpFileContent file = ReadDumpFile(path);
    QVERIFY2(file.ok(), qPrintable(EnglishText(file.error)));
    QCOMPARE(file.image, asImage(sourceImage()));
    QCOMPARE(ReadTextFile(path).lines.at(0x1D), QStringLiteral("EEPROM-1D = 3C"));
    // Nothing but reads reached the module, each byte at least twice.
    const QStringList received = rig.received();
    for (const QString& command : received)
        QVERIFY2(command.endsWith(QLatin1Char('*')) && command.size() == 3, qPrintable(command));
    QVERIFY(received.size() >= 2 * 256);
}

void TestSettingsCliOverPty::restoreWritesTheFileIntoAModule_data() {
    // Faulty lines are covered in process (tst_settings_dump_over_pty).
    QTest::addColumn<bool>("fast");
    // One restore at the program's own pace.
    QTest::newRow("real intervals") << false;
    QTest::newRow("fast") << true;
}

void TestSettingsCliOverPty::restoreWritesTheFileIntoAModule() {
    QFETCH(bool, fast);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("source.mmr2"));
    QCOMPARE(WriteDumpFile(path, asImage(sourceImage())), QString());
    PtyRig rig(targetImage());
    QVERIFY(rig.started);
    CliRun cli;
    QStringList command = args({"restore", "--port", rig.module.slavePath(), path});
    if (fast)
        command << QStringLiteral("--fast");
    QVERIFY(cli.run(QStringLiteral(MARVEK2_CLI), command, 120000));
    QVERIFY2(cli.exitCode() == 0, cli.err.constData());
    const QStringList differences = ImageDifferences(rig.eeprom(), expectedTarget());
    QVERIFY2(differences.isEmpty(), qPrintable(differences.join(u", ")));
    QVERIFY(cli.err.contains("identified"));
    QVERIFY(cli.err.contains("writing the settings"));
    QVERIFY(cli.err.contains("reading every written byte back"));
    QCOMPARE(quint8(rig.eeprom().at(0x09)), quint8(8)); // not the module's old count
}

void TestSettingsCliOverPty::restoreFailsOnAByteTheModuleDoesNotKeep() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("source.mmr2"));
    QCOMPARE(WriteDumpFile(path, asImage(sourceImage())), QString());
    PtyRig rig(targetImage());
    QVERIFY(rig.started);
    // EEPROM-C8 acknowledges every write and keeps its old value.
    const quint8 stuck = quint8(targetImage().at(0xC8));
    QVERIFY(stuck != quint8(expectedTarget().at(0xC8)));
    QObject::connect(&rig.sim(), &sim::Module::exchanged, &rig.sim(), [&](const QString& command) {
        if (WrittenAddress(command) == 0xC8)
            rig.sim().state().setEeprom(0xC8, stuck);
    });
    CliRun cli;
    QVERIFY(cli.run(QStringLiteral(MARVEK2_CLI),
                    args({"restore", "--fast", "--port", rig.module.slavePath(), path}), 60000));
    QVERIFY(cli.exitCode() != 0);
    QVERIFY2(cli.err.contains("EEPROM-C8 holds AF"), cli.err.constData());
    QVERIFY(!cli.err.contains("written into the module"));
    // The write went on to the end and the read-back stopped at the byte.
    QCOMPARE(ImageDifferences(rig.eeprom(), expectedTarget()),
             QStringList{QStringLiteral("EEPROM-c8 af/9b")});
    QVERIFY(!rig.received().contains(QStringLiteral("9C*")));
}

void TestSettingsCliOverPty::restoreRefusesABadFileAndSendsNothing() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.mmr2"));
    QStringList lines = DumpFileLines(asImage(sourceImage()));
    lines[100] = QStringLiteral("EEPROM-64 = ZZ");
    QCOMPARE(WriteTextFile(path, lines), QString());
    PtyRig rig(targetImage());
    QVERIFY(rig.started);
    CliRun cli;
    QVERIFY(cli.run(QStringLiteral(MARVEK2_CLI),
                    args({"restore", "--fast", "--port", rig.module.slavePath(), path}), 20000));
    QVERIFY(cli.exitCode() != 0);
    QVERIFY2(cli.err.contains("line 101"), cli.err.constData());
    QVERIFY(rig.received().isEmpty());
    QCOMPARE(rig.eeprom(), targetImage());
}

void TestSettingsCliOverPty::restoreRefusesAForeignModule() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("source.mmr2"));
    QCOMPARE(WriteDumpFile(path, asImage(sourceImage())), QString());
    QByteArray foreign = targetImage();
    foreign.replace(0x78, 8, "Other-01");
    PtyRig rig(foreign);
    QVERIFY(rig.started);
    CliRun cli;
    QVERIFY(cli.run(QStringLiteral(MARVEK2_CLI),
                    args({"restore", "--fast", "--port", rig.module.slavePath(), path}), 30000));
    QCOMPARE(cli.exitCode(), 4);
    QVERIFY2(cli.err.contains("Other-01"), cli.err.constData());
    QCOMPARE(rig.eeprom(), foreign);
    for (const QString& command : rig.received())
        QVERIFY2(!command.endsWith(QLatin1Char(')')), qPrintable(command));
}

void TestSettingsCliOverPty::dumpFromASilentModuleFailsWithoutAFile() {
    PtyRig rig(sourceImage());
    QVERIFY(rig.started);
    rig.sim().setSilent(true);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("silent.mmr2"));
    CliRun cli;
    QVERIFY(cli.run(QStringLiteral(MARVEK2_CLI),
                    args({"dump", "--fast", "--port", rig.module.slavePath(), "--out", path,
                          "--timeout", "1.5"}),
                    20000));
    QCOMPARE(cli.exitCode(), 3);
    QCOMPARE(cli.out, QByteArray());
    QVERIFY(!cli.err.isEmpty());
    QVERIFY(!QFile::exists(path));
    QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

QTEST_GUILESS_MAIN(TestSettingsCliOverPty)
#include "tst_settings_cli_over_pty.moc"
