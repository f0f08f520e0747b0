#include "dump_file.h"
#include "pty_module.h"
#include "text_file.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// marvek2-cli dump and restore, run as processes against a simulated module living in this
// test's event loop (so every wait below lets the loop run).
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
    const QByteArray name("SRC-0002");
    for (int i = 0; i < 8; ++i)
        e[0x78 + i] = name.at(i);
    return e;
}

QByteArray targetImage() {
    QByteArray e(256, '\0');
    for (int i = 0; i < 256; ++i)
        e[i] = char((i * 29 + 7) & 0xFF);
    e[0x00] = char(0x11);
    const QByteArray name("Marvek-2");
    for (int i = 0; i < 8; ++i)
        e[0x78 + i] = name.at(i);
    return e;
}

EepromImage asImage(const QByteArray& bytes) {
    EepromImage image{};
    for (int i = 0; i < 256; ++i)
        image[i] = std::uint8_t(bytes.at(i));
    return image;
}

struct Cli {
    // Starts marvek2-cli and waits, without blocking the simulator's loop, for it to end.
    bool run(const QStringList& args, int timeoutMs) {
        process.start(QStringLiteral(MARVEK2_CLI), args);
        if (!process.waitForStarted(5000))
            return false;
        QDeadlineTimer deadline(timeoutMs);
        while (process.state() != QProcess::NotRunning && !deadline.hasExpired())
            QTest::qWait(20); // runs the event loop the simulator lives in
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
            return false;
        }
        err = process.readAllStandardError();
        out = process.readAllStandardOutput();
        return process.exitStatus() == QProcess::NormalExit;
    }
    QProcess process;
    QByteArray err;
    QByteArray out;
};

bool startModule(sim::PtyModule& module, const QByteArray& image) {
    QString error;
    if (!module.start(&error)) {
        qWarning() << "simulator:" << error;
        return false;
    }
    module.module().setEngineEnabled(false);
    return module.module().setEeprom(image);
}

} // namespace

class TestSettingsCliOverPty : public QObject {
    Q_OBJECT
private slots:
    void dumpWritesTheWholeEeprom();
    void restoreWritesTheFileIntoAModule();
    void restoreRefusesABadFileAndSendsNothing();
    void restoreRefusesAForeignModule();
    void dumpFromASilentModuleFailsWithoutAFile();
};

void TestSettingsCliOverPty::dumpWritesTheWholeEeprom() {
    sim::PtyModule module;
    QVERIFY(startModule(module, sourceImage()));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("module.dump")); // written as named
    Cli cli;
    QVERIFY(cli.run({QStringLiteral("dump"), QStringLiteral("--port"), module.slavePath(),
                     QStringLiteral("--out"), path},
                    90000));
    QVERIFY2(cli.process.exitCode() == 0, cli.err.constData());
    QVERIFY(cli.err.contains("EEPROM-80")); // progress on standard error
    QVERIFY(!QFile::exists(path + QStringLiteral(".mmr2")));
    const DumpFileContent file = ReadDumpFile(path);
    QVERIFY2(file.ok(), qPrintable(file.error));
    QCOMPARE(file.image, asImage(sourceImage()));
    QCOMPARE(ReadTextFile(path).lines.at(0x1D), QStringLiteral("EEPROM-1D = 3C"));
    // Nothing but reads reached the module: each byte three times on a clean line.
    const QStringList received = module.module().receivedCommands();
    for (const QString& command : received)
        QVERIFY2(command.endsWith(QLatin1Char('*')) && command.size() == 3, qPrintable(command));
    QCOMPARE(received.size(), 3 * 256);
}

void TestSettingsCliOverPty::restoreWritesTheFileIntoAModule() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("source.mmr2"));
    QCOMPARE(WriteDumpFile(path, asImage(sourceImage())), QString());
    sim::PtyModule module;
    QVERIFY(startModule(module, targetImage()));
    Cli cli;
    QVERIFY(cli.run({QStringLiteral("restore"), QStringLiteral("--port"), module.slavePath(), path},
                    90000));
    QVERIFY2(cli.process.exitCode() == 0, cli.err.constData());
    QVERIFY(cli.err.contains("identified"));
    QVERIFY(cli.err.contains("writing the settings"));

    QByteArray expected = sourceImage();
    for (int i = 0x78; i < 0x80; ++i)
        expected[i] = targetImage().at(i);
    expected[0x1A] = 0;
    expected[0x1D] = char(61);
    expected[0x0A] = char(56);
    expected[0x17] = char(32);
    QCOMPARE(module.module().eeprom().toHex(' '), expected.toHex(' '));
    QCOMPARE(quint8(module.module().eeprom().at(0x09)), quint8(8)); // not the module's old count
}

void TestSettingsCliOverPty::restoreRefusesABadFileAndSendsNothing() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.mmr2"));
    QStringList lines = DumpFileLines(asImage(sourceImage()));
    lines.removeAt(100);
    QCOMPARE(WriteTextFile(path, lines), QString());
    sim::PtyModule module;
    QVERIFY(startModule(module, targetImage()));
    Cli cli;
    QVERIFY(cli.run({QStringLiteral("restore"), QStringLiteral("--port"), module.slavePath(), path},
                    20000));
    QVERIFY(cli.process.exitCode() != 0);
    QVERIFY2(cli.err.contains("line 101"), cli.err.constData());
    QVERIFY(module.module().receivedCommands().isEmpty());
    QCOMPARE(module.module().eeprom(), targetImage());
}

void TestSettingsCliOverPty::restoreRefusesAForeignModule() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("source.mmr2"));
    QCOMPARE(WriteDumpFile(path, asImage(sourceImage())), QString());
    QByteArray foreign = targetImage();
    foreign.replace(0x78, 8, "Other-01");
    sim::PtyModule module;
    QVERIFY(startModule(module, foreign));
    Cli cli;
    QVERIFY(cli.run({QStringLiteral("restore"), QStringLiteral("--port"), module.slavePath(), path},
                    30000));
    QCOMPARE(cli.process.exitCode(), 4);
    QVERIFY2(cli.err.contains("Other-01"), cli.err.constData());
    QCOMPARE(module.module().eeprom(), foreign);
    for (const QString& command : module.module().receivedCommands())
        QVERIFY2(!command.endsWith(QLatin1Char(')')), qPrintable(command));
}

void TestSettingsCliOverPty::dumpFromASilentModuleFailsWithoutAFile() {
    sim::PtyModule module;
    QVERIFY(startModule(module, sourceImage()));
    module.module().setSilent(true);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("silent.mmr2"));
    Cli cli;
    QVERIFY(
        cli.run({QStringLiteral("dump"), QStringLiteral("--port"), module.slavePath(),
                 QStringLiteral("--out"), path, QStringLiteral("--timeout"), QStringLiteral("1.5")},
                20000));
    QCOMPARE(cli.process.exitCode(), 3);
    QCOMPARE(cli.out, QByteArray());
    QVERIFY(!cli.err.isEmpty());
    QVERIFY(!QFile::exists(path));
    QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

QTEST_GUILESS_MAIN(TestSettingsCliOverPty)
#include "tst_settings_cli_over_pty.moc"
