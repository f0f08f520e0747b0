#include "com_port.h"
#include "connect_read.h"
#include "dump_file.h"
#include "journal_sink.h"
#include "module_settings.h"
#include "pty_module.h"
#include "settings_features.h"
#include "transaction_engine.h"
#include "wire_codec.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The module whose settings are copied: every settings byte differs from the target's, its
// injector count (5) has a hidden button, and its correction basis is the MAF voltage.
QByteArray sourceImage() {
    QByteArray e = sim::ModuleState::defaultEeprom();
    auto set = [&e](int address, int value) { e[address] = char(value); };
    set(0x00, 0x2E); // MAF basis, training on, fuel outputs, Ignore with bit 4 clear
    set(0x01, 0x86); // English, MAP, different asynchronous injection
    set(0x04, 77);   // KFuel
    set(0x08, 123);  // PTN
    set(0x09, 5);    // NumBurn
    set(0x0A, 57);   // Porog_T 22: written back as 56
    set(0x0F, 22);   // VolEng 2.2
    set(0x12, 0x55); // ignition value
    set(0x17, 33);   // ZdK 16: written back as 32
    set(0x1A, 0x11); // training register
    set(0x1B, 0x90); // UKZ
    set(0x1D, 60);   // OPR 0.3: written back as 61
    set(0x1F, 0x81);
    for (int i = 0; i < 64; ++i)
        set(0x30 + i, (i * 3 + 1) & 0xFF);
    for (int a = 0x80; a < 0x100; ++a)
        set(a, (a * 13 + 5) & 0xFF);
    const QByteArray name("SRC-0001");
    for (int i = 0; i < 8; ++i)
        e[0x78 + i] = name.at(i);
    return e;
}

QByteArray targetImage() {
    QByteArray e(256, '\0');
    for (int i = 0; i < 256; ++i)
        e[i] = char((i * 29 + 7) & 0xFF);
    e[0x00] = char(0x11); // injection-time basis: the source's basis must win
    e[0x09] = char(4);
    const QByteArray name("Marvek-2");
    for (int i = 0; i < 8; ++i)
        e[0x78 + i] = name.at(i);
    return e;
}

// What the target holds after the source's file has been written into it: the file, but its own
// name, EEPROM-1A cleared, and OPR, Porog_T and ZdK written again from their decoded values.
QByteArray expectedTarget() {
    QByteArray e = sourceImage();
    const QByteArray target = targetImage();
    for (int i = 0x78; i < 0x80; ++i)
        e[i] = target.at(i);
    e[0x1A] = 0;
    e[0x1D] = char(61);
    e[0x0A] = char(56);
    e[0x17] = char(32);
    return e;
}

// The address of a write command "VVAA)" (both low nibble first), or -1.
int writtenAddress(const QString& command) {
    if (command.size() != 5 || !command.endsWith(QLatin1Char(')')))
        return -1;
    return wire::DecodeByte(QStringView(command).mid(2)).value_or(-1);
}

// The byte addresses where two images differ, as "EEPROM-1D 3C/3D".
QStringList differences(const QByteArray& actual, const QByteArray& expected) {
    QStringList out;
    for (int i = 0; i < 256; ++i) {
        if (actual.at(i) != expected.at(i))
            out << QStringLiteral("EEPROM-%1 %2/%3")
                       .arg(i, 2, 16, QLatin1Char('0'))
                       .arg(quint8(actual.at(i)), 2, 16, QLatin1Char('0'))
                       .arg(quint8(expected.at(i)), 2, 16, QLatin1Char('0'));
    }
    return out;
}

// One simulated module with the program's port, engine and settings operations on it.
struct Station {
    explicit Station(const QByteArray& image) {
        QString error;
        started = module.start(&error) && module.module().setEeprom(image);
        if (!started)
            qWarning() << "simulator:" << error;
        module.module().setEngineEnabled(false);
        port.setBaudRate(TBaudRate::br19200);
        port.setPort(module.slavePath());
        // 20 ms a read: an answer and its split pieces (5 ms apart) must arrive within one tick,
        // also on a busy machine.
        engine.setIntervalScale(0.4);
        features.follow(read);
        QObject::connect(&read, &ConnectRead::identified, &features,
                         &SettingsFeatures::Btn_Raschet_Marvek_2Click);
    }
    bool open() {
        try {
            return port.OpenPort();
        } catch (const EComPort& e) {
            qWarning() << e.message();
            return false;
        }
    }
    void setFaults(quint32 seed, const sim::FaultRates& rates) {
        module.module().setSeed(seed);
        module.module().setFaults(rates);
    }

    sim::PtyModule module;
    bool started = false;
    TBComPort port;
    StringListJournal journal;
    TransactionEngine engine{port, journal};
    ModuleSettingsModel model;
    ConnectRead read{engine, model};
    SettingsFeatures features{engine, model};
};

} // namespace

class TestSettingsDumpOverPty : public QObject {
    Q_OBJECT
private slots:
    void copyOneModuleIntoAnother_data();
    void copyOneModuleIntoAnother();
    void saveStopsOnAModuleThatNeverAnswersAlike();
};

void TestSettingsDumpOverPty::copyOneModuleIntoAnother_data() {
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<double>("drop");
    QTest::addColumn<double>("split");
    QTest::addColumn<double>("corrupt");
    QTest::newRow("clean line") << 1u << 0.0 << 0.0 << 0.0;
    QTest::newRow("drops") << 21u << 0.2 << 0.0 << 0.0;
    QTest::newRow("splits") << 22u << 0.0 << 0.5 << 0.0;
    QTest::newRow("corruption") << 23u << 0.0 << 0.0 << 0.1;
}

void TestSettingsDumpOverPty::copyOneModuleIntoAnother() {
    QFETCH(quint32, seed);
    QFETCH(double, drop);
    QFETCH(double, split);
    QFETCH(double, corrupt);
    sim::FaultRates rates;
    rates.drop = drop;
    rates.split = split;
    rates.corrupt = corrupt;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("source.mmr2"));

    // Save the source module's EEPROM.
    Station source(sourceImage());
    QVERIFY(source.started);
    source.setFaults(seed, rates);
    QVERIFY(source.open());
    QSignalSpy saved(&source.features.dumps(), &DumpFiles::saved);
    QSignalSpy saveFailed(&source.features.dumps(), &DumpFiles::failed);
    QCOMPARE(source.features.dumps().saveToFile(path), StartResult::Started);
    QTRY_VERIFY_WITH_TIMEOUT(saved.size() + saveFailed.size() > 0, 60000);
    QVERIFY2(saveFailed.isEmpty(), qPrintable(saveFailed.value(0).value(0).toString()));
    const DumpFileContent file = ReadDumpFile(path);
    QVERIFY2(file.ok(), qPrintable(file.error));
    {
        QByteArray got(256, 0);
        for (int i = 0; i < 256; ++i)
            got[i] = char(file.image[i]);
        QVERIFY2(got == sourceImage(),
                 qPrintable(differences(got, sourceImage()).join(QLatin1String(", "))));
    }

    // Connect the target, open the file on its template, write it.
    Station target(targetImage());
    QVERIFY(target.started);
    target.setFaults(seed + 100, rates);
    QVERIFY(target.open());
    QSignalSpy identified(&target.read, &ConnectRead::identified);
    target.read.startRead();
    QVERIFY(identified.wait(30000));
    DumpFiles& dumps = target.features.dumps();
    QVERIFY(dumps.openFromFile(path));
    QCOMPARE(target.features.page().templatePage().moduleName, QStringLiteral("SRC-0001"));
    target.module.module().clearReceivedCommands();
    target.engine.setIntervalScale(0.25); // the writes' answer "!" cannot be split
    QSignalSpy written(&dumps, &DumpFiles::written);
    QSignalSpy writeFailed(&dumps, &DumpFiles::failed);
    QCOMPARE(dumps.saveToModule(), StartResult::Started);
    QTRY_VERIFY_WITH_TIMEOUT(written.size() + writeFailed.size() > 0, 60000);
    QVERIFY2(writeFailed.isEmpty(), qPrintable(writeFailed.value(0).value(0).toString()));

    const QByteArray after = target.module.module().eeprom();
    QVERIFY2(after == expectedTarget(),
             qPrintable(differences(after, expectedTarget()).join(QLatin1String(", "))));
    // Nothing was written to the name bytes, nor to EEPROM-12 after phase 1.
    const QStringList received = target.module.module().receivedCommands();
    qsizetype lastIgnitionWrite = -1;
    for (qsizetype i = 0; i < received.size(); ++i) {
        const int address = writtenAddress(received.at(i));
        QVERIFY2(address < 0x78 || address > 0x7F, qPrintable(received.at(i)));
        if (address == 0x12)
            lastIgnitionWrite = i;
    }
    QVERIFY(lastIgnitionWrite >= 0); // phase 1 writes the file's own byte
    QVERIFY(received.indexOf(QStringLiteral("00A1)")) > lastIgnitionWrite);
    if (drop == 0 && split == 0 && corrupt == 0)
        QCOMPARE(received.size(), 248 + 9);
}

void TestSettingsDumpOverPty::saveStopsOnAModuleThatNeverAnswersAlike() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("never.mmr2"));
    Station source(sourceImage());
    QVERIFY(source.started);
    sim::FaultRates rates;
    rates.lower = 1.0; // EEPROM-00 holds 0x2E: every answer is "e2"
    source.setFaults(5, rates);
    QVERIFY(source.open());
    QSignalSpy failed(&source.features.dumps(), &DumpFiles::failed);
    QSignalSpy unlock(&source.features.context(), &SettingsContext::unlockRequested);
    QCOMPARE(source.features.dumps().saveToFile(path), StartResult::Started);
    QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, 30000);
    QCOMPARE(unlock.size(), 1);
    QVERIFY(!QFile::exists(path));
    QVERIFY(!source.engine.anyEnabled());
    QVERIFY(failed.first().at(0).toString().contains(QStringLiteral("EEPROM-00")));
    const QStringList received = source.module.module().receivedCommands();
    QVERIFY(received.size() >= 16); // one more may have left before the 16th answer came
    QCOMPARE(QStringList(received.size(), QStringLiteral("00*")), received);
    QVERIFY(source.journal.lines().contains(QStringLiteral("Ошибка чтения. Адрес 00")));
}

QTEST_GUILESS_MAIN(TestSettingsDumpOverPty)
#include "tst_settings_dump_over_pty.moc"
