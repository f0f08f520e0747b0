#include "connect_read.h"
#include "dump_file.h"
#include "languages.h"
#include "module_settings.h"
#include "pty_rig.h"
#include "settings_features.h"
#include "wire_codec.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

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
    e.replace(0x78, 8, "SRC-0001");
    return e;
}

QByteArray targetImage() {
    QByteArray e = MakeImage([](int i) { return i * 29 + 7; });
    e[0x00] = char(0x11); // injection-time basis: the source's basis must win
    e[0x09] = char(4);
    e.replace(0x78, 8, "Marvek-2");
    return e;
}

// What the target holds after the source's file has been written into it: the file, but its own
// name, EEPROM-1A cleared, and OPR, Porog_T and ZdK written again from their decoded values.
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

QByteArray bytesOf(const EepromImage& image) {
    QByteArray out(256, '\0');
    for (int i = 0; i < 256; ++i)
        out[i] = char(image[i]);
    return out;
}

// The commands with the repeats of one command in a row taken out.
QStringList distinctInOrder(const QStringList& commands) {
    QStringList out;
    for (const QString& c : commands) {
        if (out.isEmpty() || out.last() != c)
            out << c;
    }
    return out;
}

// The program's connection read and settings operations on one simulated module.
struct Station {
    Station(const QByteArray& image, double scale, bool fast) : rig(image, scale) {
        rig.engine.setFastTransfers(fast);
        features.follow(read);
        QObject::connect(&read, &ConnectRead::identified, &features,
                         &SettingsFeatures::Btn_Raschet_Marvek_2Click);
    }
    PtyRig rig;
    ModuleSettingsModel model;
    ConnectRead read{rig.engine, model};
    SettingsFeatures features{rig.engine, model};
};

// Timing of a case: the real intervals, intervals scaled down, or the fast option (on scaled
// intervals, which then only time the resends on silence).
struct Timing {
    double scale;
    bool fast;
};

} // namespace

class TestSettingsDumpOverPty : public QObject {
    Q_OBJECT
private slots:
    void saveReadsTheWholeEeprom_data();
    void saveReadsTheWholeEeprom();
    void writeEndsEqualToTheFileOrFails_data();
    void writeEndsEqualToTheFileOrFails();
    void saveStopsOnAModuleThatNeverAnswersAlike();

private:
    static void faultRows();
};

void TestSettingsDumpOverPty::faultRows() {
    QTest::addColumn<double>("scale");
    QTest::addColumn<bool>("fast");
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<sim::FaultRates>("rates");
    sim::FaultRates clean;
    sim::FaultRates drops;
    drops.drop = 0.2;
    sim::FaultRates splits;
    splits.split = 0.5;
    // Two agreeing reads take a byte, so two equal damaged answers in a row would pass: a line
    // that damages one answer in fifty does that about once in a hundred and fifty dumps.
    sim::FaultRates corruption;
    corruption.corrupt = 0.02;
    // Fast rows time only the resends on silence; a split answer's pieces (5 ms apart) need the
    // longer tick.
    QTest::newRow("clean line, fast") << 0.2 << true << 1u << clean;
    QTest::newRow("drops, fast") << 0.2 << true << 21u << drops;
    QTest::newRow("splits, fast") << 0.4 << true << 22u << splits;
    QTest::newRow("corruption, fast") << 0.2 << true << 23u << corruption;
    // Commands answered after they were sent again, or after the next one would have gone.
    QTest::newRow("busy module, fast") << 0.2 << true << 24u << BusyModule(0.03, 0.01);
    QTest::newRow("busy module, scaled ticks") << 0.2 << false << 25u << BusyModule(0.03, 0.01);
    QTest::newRow("late answers, fast") << 0.2 << true << 26u << LateModule(0.03, 0.01);
}

void TestSettingsDumpOverPty::saveReadsTheWholeEeprom_data() {
    faultRows();
    // One save at the program's own pace.
    QTest::newRow("clean line, real intervals") << 1.0 << false << 3u << sim::FaultRates();
}

void TestSettingsDumpOverPty::saveReadsTheWholeEeprom() {
    QFETCH(double, scale);
    QFETCH(bool, fast);
    QFETCH(quint32, seed);
    QFETCH(sim::FaultRates, rates);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("source.mmr2"));
    Station source(sourceImage(), scale, fast);
    QVERIFY(source.rig.started);
    source.rig.setFaults(seed, rates);
    QVERIFY(source.rig.open());
    DumpFiles& dumps = source.features.dumps();
    QSignalSpy saved(&dumps, &DumpFiles::saved);
    QSignalSpy failed(&dumps, &DumpFiles::failed);
    QCOMPARE(dumps.saveToFile(path), StartResult::Started);
    QTRY_VERIFY_WITH_TIMEOUT(saved.size() + failed.size() > 0, 90000);
    QVERIFY2(failed.isEmpty(), qPrintable(failed.value(0).value(0).toString()));
    const DumpFileContent file = ReadDumpFile(path);
    QVERIFY2(file.ok(), qPrintable(EnglishText(file.error)));
    QVERIFY2(bytesOf(file.image) == sourceImage(),
             qPrintable(ImageDifferences(bytesOf(file.image), sourceImage()).join(u", ")));

    // Only reads, address after address; on a clean line every address at least twice (a late
    // answer may add a repeat, so no exact count).
    const QStringList received = source.rig.received();
    QStringList reads;
    for (int a = 0; a < 256; ++a)
        reads << wire::ReadEepromCommand(a);
    QCOMPARE(distinctInOrder(received), reads);
    if (rates.drop == 0 && rates.split == 0 && rates.corrupt == 0) {
        for (const QString& read : std::as_const(reads))
            QVERIFY2(received.count(read) >= 2, qPrintable(read));
    }
}

void TestSettingsDumpOverPty::writeEndsEqualToTheFileOrFails_data() {
    faultRows();
    // Acknowledgements held back past the next tick (a late "!" may acknowledge the next write)
    // and writes lost before the module: the read-back must find and mend every lost byte.
    sim::FaultRates late;
    late.delay = 0.15;
    late.delayMs = 30; // past the next tick: 20 ms for the writes, 10 ms for the reads
    late.lose = 0.05;
    QTest::newRow("late answers and lost writes, fast") << 0.2 << true << 32u << late;
    sim::FaultRates lateScaled = late;
    lateScaled.delayMs = 15; // ticks of 10 ms for the writes, 5 ms for the reads
    QTest::newRow("late answers and lost writes, scaled ticks")
        << 0.1 << false << 31u << lateScaled;
}

void TestSettingsDumpOverPty::writeEndsEqualToTheFileOrFails() {
    QFETCH(double, scale);
    QFETCH(bool, fast);
    QFETCH(quint32, seed);
    QFETCH(sim::FaultRates, rates);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("source.mmr2"));
    QCOMPARE(WriteDumpFile(path, asImage(sourceImage())), QString());

    // Connected on a clean line, then the faults for the write.
    Station target(targetImage(), scale, fast);
    QVERIFY(target.rig.started);
    QVERIFY(target.rig.open());
    QSignalSpy identified(&target.read, &ConnectRead::identified);
    target.read.startRead();
    QVERIFY(identified.wait(30000));
    DumpFiles& dumps = target.features.dumps();
    QVERIFY(dumps.openFromFile(path));
    QCOMPARE(target.features.page().templatePage().moduleName, QStringLiteral("SRC-0001"));
    target.rig.sim().clearReceivedCommands();
    target.rig.setFaults(seed, rates);
    // With lost writes, also three writes that the module acknowledges but does not keep, as
    // when the "!" that moved the write on belonged to the write before: the first writes of
    // EEPROM-20, 90 and C8 are undone.
    QList<int> undo;
    if (rates.lose > 0)
        undo = {0x20, 0x90, 0xC8};
    QObject::connect(
        &target.rig.sim(), &sim::Module::exchanged, &target.rig.sim(), [&](const QString& command) {
            const int address = WrittenAddress(command);
            if (undo.removeOne(address))
                target.rig.sim().state().setEeprom(address, quint8(targetImage().at(address)));
        });
    QSignalSpy written(&dumps, &DumpFiles::written);
    QSignalSpy failed(&dumps, &DumpFiles::failed);
    QSignalSpy verification(&dumps, &DumpFiles::verificationStarted);
    QCOMPARE(dumps.saveToModule(), StartResult::Started);
    QTRY_VERIFY_WITH_TIMEOUT(written.size() + failed.size() > 0, 120000);
    QCOMPARE(written.size() + failed.size(), 1);
    QVERIFY(!target.rig.engine.anyEnabled());
    QCOMPARE(dumps.stage(), DumpFiles::Stage::Idle);

    const QByteArray after = target.rig.eeprom();
    const QStringList differences = ImageDifferences(after, expectedTarget());
    if (!failed.isEmpty()) {
        // A clear failure that names a byte, never on a clean line.
        const QString message = failed.first().at(0).toString();
        QVERIFY2(rates.delay > 0 || rates.lose > 0 || rates.drop > 0, qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("EEPROM-")), qPrintable(message));
        qInfo().noquote() << "ended with a clear failure:" << message;
        return;
    }
    // Success means the module equals the file.
    QVERIFY2(differences.isEmpty(), qPrintable(differences.join(u", ")));
    QCOMPARE(verification.size(), 1);

    // The name bytes are never written, and phase 1 writes the file's EEPROM-12 before phase 2.
    const QStringList received = target.rig.received();
    const qsizetype phaseTwo = received.indexOf(QStringLiteral("00A1)"));
    QVERIFY(phaseTwo > 0);
    bool ignitionInPhaseOne = false;
    for (qsizetype i = 0; i < received.size(); ++i) {
        const int address = WrittenAddress(received.at(i));
        QVERIFY2(address < 0x78 || address > 0x7F, qPrintable(received.at(i)));
        ignitionInPhaseOne = ignitionInPhaseOne || (address == 0x12 && i < phaseTwo);
    }
    QVERIFY(ignitionInPhaseOne);
    const qsizetype readBack = received.indexOf(QStringLiteral("00*"), phaseTwo);
    QVERIFY(readBack > phaseTwo);
    const qsizetype rewrites =
        received.mid(readBack).filter(QRegularExpression(QStringLiteral("\\)$"))).size();
    qInfo() << "rewrites during the read-back:" << rewrites;
    if (rates.lose > 0) {
        QVERIFY(undo.isEmpty());
        // An undone byte that no repeat of its write put right before the read-back was found
        // there and written again. (A write repeated because its answer came late may already
        // have repaired it.)
        for (const int address : {0x20, 0x90, 0xC8}) {
            const auto writesOf = [&](const QStringList& commands) {
                return std::count_if(commands.begin(), commands.end(), [&](const QString& c) {
                    return WrittenAddress(c) == address;
                });
            };
            if (writesOf(received.mid(0, readBack)) == 1)
                QVERIFY2(writesOf(received.mid(readBack)) > 0,
                         qPrintable(wire::HumanAddress(address)));
        }
    }
    // On a clean line: the writes in address order (repeats aside), then the read-back.
    if (rates.drop == 0 && rates.split == 0 && rates.corrupt == 0 && rates.delay == 0 &&
        rates.lose == 0 && rates.busy == 0) {
        const QStringList distinct = distinctInOrder(received);
        QCOMPARE(distinct.at(0), QStringLiteral("E200)"));
        const qsizetype firstRead = distinct.indexOf(QStringLiteral("00*"));
        QCOMPARE(firstRead, 248 + 9);
        for (qsizetype i = firstRead; i < distinct.size(); ++i)
            QVERIFY2(distinct.at(i).endsWith(QLatin1Char('*')), qPrintable(distinct.at(i)));
    }
}

void TestSettingsDumpOverPty::saveStopsOnAModuleThatNeverAnswersAlike() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("never.mmr2"));
    Station source(sourceImage(), 0.4, true);
    QVERIFY(source.rig.started);
    sim::FaultRates rates;
    rates.lower = 1.0; // EEPROM-00 holds 0x2E: every answer is "e2"
    source.rig.setFaults(5, rates);
    QVERIFY(source.rig.open());
    QSignalSpy failed(&source.features.dumps(), &DumpFiles::failed);
    QSignalSpy unlock(&source.features.context(), &SettingsContext::unlockRequested);
    QCOMPARE(source.features.dumps().saveToFile(path), StartResult::Started);
    QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, 30000);
    QCOMPARE(unlock.size(), 1);
    QVERIFY(!QFile::exists(path));
    QVERIFY(!source.rig.engine.anyEnabled());
    QVERIFY(failed.first().at(0).toString().contains(QStringLiteral("EEPROM-00")));
    const QStringList received = source.rig.received();
    QVERIFY(received.size() >= 16); // one more may have left before the 16th answer came
    QCOMPARE(QStringList(received.size(), QStringLiteral("00*")), received);
    QVERIFY(source.rig.journal.lines().contains(QStringLiteral("Ошибка чтения. Адрес 00")));
}

QTEST_GUILESS_MAIN(TestSettingsDumpOverPty)
#include "tst_settings_dump_over_pty.moc"
