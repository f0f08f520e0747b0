#include "curve_codec.h"
#include "curve_file.h"
#include "curve_model.h"
#include "curve_overlay.h"
#include "curve_transfer.h"
#include "pty_rig.h"
#include "text_file.h"

#include <QDir>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace curve;

namespace {

QByteArray randomImage(quint32 seed) {
    QRandomGenerator rng(seed);
    return MakeImage([&](int) { return int(rng.bounded(256)); });
}

// The image with the curve bytes replaced.
QByteArray withCurve(QByteArray image, const QVector<int>& bytes) {
    for (int i = 0; i < kPointCount; ++i)
        image[kFirstAddress + i] = char(bytes.at(i));
    return image;
}

QVector<int> curveOf(const QByteArray& image) {
    QVector<int> bytes;
    for (int i = 0; i < kPointCount; ++i)
        bytes.append(quint8(image.at(kFirstAddress + i)));
    return bytes;
}

// A rising curve in volts with some of the awkward values: 0.58 (byte 29), 5 and a value from a
// file above 5 (sent as 250).
QStringList curveTexts(const DecimalFormat& format) {
    QStringList texts;
    for (int i = 0; i < kPointCount; ++i)
        texts << format.format(i * 0.073);
    texts[3] = format.format(0.58);
    texts[62] = QStringLiteral("5");
    texts[63] = QStringLiteral("6,5");
    return texts;
}

QVector<int> bytesOf(const QStringList& texts, const DecimalFormat& format) {
    QVector<int> bytes;
    for (const QString& t : texts)
        bytes.append(EncodeVolts(*format.parse(t)));
    return bytes;
}

bool journalHas(PtyRig& rig, const QString& start) {
    for (const QString& line : rig.journal.lines()) {
        if (line.startsWith(start))
            return true;
    }
    return false;
}

struct Curve {
    explicit Curve(PtyRig& rig) : transfer(rig.engine, model) {
        model.setFormat(DecimalFormat(QChar(u',')));
    }
    CurveModel model;
    CurveTransfer transfer;
};

} // namespace

class TestCurveOverPty : public QObject {
    Q_OBJECT
private slots:
    void writeUnderFaults_data();
    void writeUnderFaults();
    void readsGiveTheModuleBytes_data();
    void readsGiveTheModuleBytes();
    void disagreeingPairsStopThePlainRead();
    void stepWriteIsAcknowledged();
    void overlayPollsTheOperatingPoint();
    void cliReadAndWrite();
    void cliRefusesABadFile();
};

void TestCurveOverPty::writeUnderFaults_data() {
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<sim::FaultRates>("rates");
    QTest::addColumn<bool>("fast");
    QTest::addColumn<bool>("flat"); // points in runs of equal values
    QTest::newRow("clean") << 1u << LineFaults(0, 0, 0, 0) << false << false;
    QTest::newRow("drops") << 2u << LineFaults(0.15, 0, 0, 0) << false << false;
    QTest::newRow("splits") << 3u << LineFaults(0, 0.5, 0, 0) << false << false;
    QTest::newRow("corruption") << 4u << LineFaults(0, 0, 0.15, 0) << false << false;
    QTest::newRow("lower case") << 5u << LineFaults(0, 0, 0, 0.2) << false << false;
    QTest::newRow("everything") << 6u << LineFaults(0.05, 0.2, 0.05, 0.05) << false << false;
    QTest::newRow("everything, fast") << 7u << LineFaults(0.05, 0.2, 0.05, 0.05) << true << false;
    QTest::newRow("flat, busy module") << 8u << BusyModule() << false << true;
    QTest::newRow("flat, busy module, fast") << 9u << BusyModule() << true << true;
    QTest::newRow("flat, late answers") << 10u << LateModule() << false << true;
    QTest::newRow("flat, late answers, fast") << 11u << LateModule() << true << true;
    QTest::newRow("flat, busy module, seed 12") << 12u << BusyModule() << false << true;
}

void TestCurveOverPty::writeUnderFaults() {
    QFETCH(quint32, seed);
    QFETCH(sim::FaultRates, rates);
    QFETCH(bool, fast);
    QFETCH(bool, flat);
    const QByteArray before = randomImage(seed);
    PtyRig rig(before);
    QVERIFY(rig.started);
    QVERIFY(rig.open());
    rig.engine.setFastTransfers(fast);
    rig.setFaults(seed, rates);
    Curve c(rig);
    QStringList texts = curveTexts(c.model.format());
    for (int i = 0; flat && i < kPointCount; ++i)
        texts[i] = texts.at(i / 5 * 5);
    for (int i = 0; i < kPointCount; ++i)
        c.model.setText(i, texts.at(i));
    QSignalSpy written(&c.transfer, &CurveTransfer::writeFinished);
    QSignalSpy locked(&c.transfer, &CurveTransfer::lockRequested);
    QSignalSpy unlocked(&c.transfer, &CurveTransfer::unlockRequested);
    QCOMPARE(c.transfer.startWrite(), CurveStart::Started);
    QVERIFY(written.wait(120000));
    QCOMPARE(locked.count(), 1);
    QCOMPARE(unlocked.count(), 1);
    QVERIFY(!rig.engine.anyEnabled());
    const QVector<int> intended = bytesOf(texts, c.model.format());
    if (!flat) {
        QCOMPARE(intended[3], 29);
        QCOMPARE(intended[63], 250);
    }
    QCOMPARE(ImageDifferences(rig.eeprom(), withCurve(before, intended)), QStringList());
    // Only the curve's addresses were ever written.
    for (const QString& command : rig.received()) {
        const int address = WrittenAddress(command);
        if (command.endsWith(QLatin1Char(')')))
            QVERIFY2(address >= kFirstAddress && address < kFirstAddress + kPointCount,
                     qPrintable(command));
    }
    QVERIFY(journalHas(rig, QStringLiteral("ЗАПИСАТЬ ТАБЛИЦУ 2D-ЛЯМБДА ")));
}

void TestCurveOverPty::readsGiveTheModuleBytes_data() {
    QTest::addColumn<bool>("filter");
    QTest::addColumn<sim::FaultRates>("rates");
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<bool>("fast");
    const sim::FaultRates splits = LineFaults(0, 0.3, 0, 0);
    const sim::FaultRates corruption = LineFaults(0, 0, 0.05, 0);
    QTest::newRow("plain") << false << splits << 21u << false;
    QTest::newRow("filtered") << true << splits << 21u << false;
    QTest::newRow("filtered, corruption") << true << corruption << 21u << false;
    QTest::newRow("plain, busy module") << false << BusyModule() << 22u << false;
    QTest::newRow("plain, busy module, fast") << false << BusyModule() << 23u << true;
    QTest::newRow("plain, late answers") << false << LateModule() << 24u << false;
    QTest::newRow("filtered, late answers, fast") << true << LateModule(0.1) << 25u << true;
}

void TestCurveOverPty::readsGiveTheModuleBytes() {
    QFETCH(bool, filter);
    QFETCH(sim::FaultRates, rates);
    QFETCH(quint32, seed);
    QFETCH(bool, fast);
    QByteArray image = randomImage(11);
    for (int i = 0; i < kPointCount; ++i)
        image[kFirstAddress + i] = char(i * 4 + (i % 3)); // 0..254: 251..255 are read as 5 V
    PtyRig rig(image);
    QVERIFY(rig.started);
    QVERIFY(rig.open());
    rig.engine.setFastTransfers(fast);
    rig.setFaults(seed, rates);
    Curve c(rig);
    c.transfer.setFilterOn(filter);
    QSignalSpy finished(&c.transfer, &CurveTransfer::readFinished);
    QCOMPARE(c.transfer.startRead(), CurveStart::Started);
    QVERIFY(finished.wait(120000));
    QCOMPARE(finished.first().at(0).toBool(), true);
    for (int i = 0; i < kPointCount; ++i) {
        const int byte = quint8(image.at(kFirstAddress + i));
        QCOMPARE(c.model.text(i), c.model.format().format(std::min(byte, 250) / 50.0));
        QCOMPARE(c.model.values().at(i), std::min(byte, 250) / 50.0); // the chart's point
    }
    QCOMPARE(rig.eeprom(), image); // a read writes nothing
    QCOMPARE(c.model.text(3), QStringLiteral("0,24"));
}

void TestCurveOverPty::disagreeingPairsStopThePlainRead() {
    QByteArray image = randomImage(12);
    image[kFirstAddress] = char(0x1A);
    PtyRig rig(image);
    QVERIFY(rig.started);
    QVERIFY(rig.open());
    // Every read of point 0 gives the other of two values, so no pair ever agrees.
    QObject::connect(&rig.sim(), &sim::Module::exchanged, &rig.sim(), [&](const QString& command) {
        if (command == QLatin1String("03*")) {
            const int now = rig.sim().state().eeprom(kFirstAddress);
            QByteArray e = rig.sim().eeprom();
            e[kFirstAddress] = char(now == 0x1A ? 0x2B : 0x1A);
            rig.sim().setEeprom(e);
        }
    });
    Curve c(rig);
    QSignalSpy finished(&c.transfer, &CurveTransfer::readFinished);
    QCOMPARE(c.transfer.startRead(), CurveStart::Started);
    QVERIFY(finished.wait(30000));
    QCOMPARE(finished.first().at(0).toBool(), false);
    const auto message = finished.first().at(1).value<Message>();
    QCOMPARE(message.key, QLatin1String(kMsgReadStopped));
    QVERIFY(!rig.engine.anyEnabled());
    QStringList pairs;
    for (const QString& line : rig.journal.lines()) {
        if (line.contains(QStringLiteral(" = ")) && line.size() == 7)
            pairs << line;
    }
    QCOMPARE(pairs.size(), CurveTransfer::MaxUnequalPairs);
    for (const QString& pair : pairs)
        QVERIFY2(pair == QLatin1String("A1 = B2") || pair == QLatin1String("B2 = A1"),
                 qPrintable(pair));
    QCOMPARE(c.model.texts(), QStringList(kPointCount, QStringLiteral("0"))); // nothing taken
    const int sends = int(rig.received().size());
    QTest::qWait(100);
    QCOMPARE(int(rig.received().size()), sends); // the read has stopped asking
}

void TestCurveOverPty::stepWriteIsAcknowledged() {
    const QByteArray before = randomImage(13);
    PtyRig rig(before);
    QVERIFY(rig.started);
    QVERIFY(rig.open());
    sim::FaultRates rates;
    rates.drop = 0.3;
    rates.corrupt = 0.2;
    rig.setFaults(31, rates);
    Curve c(rig);
    c.model.setText(17, QStringLiteral("1,04"));
    QVERIFY(c.model.step(17, -1)); // 1,02
    QVERIFY(c.model.step(17, -1)); // 1
    c.model.setText(40, QStringLiteral("4,98"));
    QVERIFY(c.model.step(40, 1)); // 5: the up button writes too
    QSignalSpy written(&c.transfer, &CurveTransfer::pointWritten);
    QCOMPARE(c.transfer.writePoint(17), CurveStart::Started);
    QCOMPARE(c.transfer.writePoint(40), CurveStart::Started); // follows the first
    while (written.count() < 2)
        QVERIFY(written.wait(20000));
    QCOMPARE(written.at(0).at(0).toInt(), 17);
    QCOMPARE(written.at(1).at(0).toInt(), 40);
    QVERIFY(!rig.engine.anyEnabled());
    QByteArray expected = before;
    expected[kFirstAddress + 17] = char(50);
    expected[kFirstAddress + 40] = char(250);
    QCOMPARE(ImageDifferences(rig.eeprom(), expected), QStringList());
    QVERIFY(rig.received().contains(QStringLiteral("2314)")));
    QVERIFY(journalHas(rig, QStringLiteral("ЗАПИСАТЬ ЗНАЧЕНИЕ ИЗ ЯЧЕЙКИ 17 ТАБЛИЦЫ ЭМУЛЯТОРА ")));

    // A silent module: the step write gives up after its attempts and says so.
    rig.sim().setSilent(true);
    QSignalSpy refused(&c.transfer, &CurveTransfer::refused);
    QCOMPARE(c.transfer.writePoint(17), CurveStart::Started);
    QVERIFY(refused.wait(20000));
    const auto message = refused.first().at(0).value<Message>();
    QCOMPARE(message.key, QLatin1String(kMsgStepNoAnswer));
    QCOMPARE(message.args, QStringList({"17", "41"}));
    QVERIFY(!rig.engine.anyEnabled());
}

void TestCurveOverPty::overlayPollsTheOperatingPoint() {
    PtyRig rig(randomImage(14));
    QVERIFY(rig.started);
    QVERIFY(rig.open());
    sim::FaultRates rates;
    rates.split = 0.5;
    rig.setFaults(41, rates); // before the registers: reseeding restarts the engine model
    rig.sim().state().setRegWord(0x47, 0x0800);
    rig.sim().state().setRegWord(0xAA, 0x044C);
    rig.sim().state().setReg(0x32, 26);
    rig.sim().state().setReg(0x69, 12);
    OverlayPoll poll(rig.engine);
    poll.setMarkerCount(0); // a typed 0: limited to 6
    QCOMPARE(poll.markerCount(), kMinMarkers);
    poll.setStretched(true);
    QSignalSpy placed(&poll, &OverlayPoll::pointPlaced);
    QVERIFY(poll.start());
    while (placed.count() < 8)
        QVERIFY(placed.wait(5000));
    poll.stop();
    QList<int> markers;
    for (const QList<QVariant>& args : placed) {
        markers << args.at(0).toInt();
        const auto p = args.at(1).value<OverlayPoint>();
        QCOMPARE(p.x, 32.0);
        QCOMPARE(p.shownX, 16.0);
        QCOMPARE(p.u, 5.0);
        QCOMPARE(p.fuelMs, 2.6);
    }
    QCOMPARE(markers.mid(0, 8), (QList<int>{1, 2, 3, 4, 5, 6, 1, 2}));
    for (const QString& command : rig.received())
        QCOMPARE(command, kOverlayCommand);
}

void TestCurveOverPty::cliReadAndWrite() {
    QByteArray image = randomImage(15);
    PtyRig rig(image);
    QVERIFY(rig.started);
    QTemporaryDir dir;
    // Read: the file named by --out, exactly that name, holds the module's curve, one value a
    // line.
    const QString base = dir.filePath(QStringLiteral("module"));
    CliRun read;
    QVERIFY(
        read.run(QStringLiteral(MARVEK2_CLI),
                 {QStringLiteral("curve"), QStringLiteral("read"), QStringLiteral("--filter"),
                  QStringLiteral("--port"), rig.module.slavePath(), QStringLiteral("--out"), base},
                 120000));
    QVERIFY2(read.exitCode() == 0, read.err.constData());
    const CurveFileContent content = ReadCurveFile(base, DecimalFormat(QChar(u'.')));
    QVERIFY(content.ok());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("module")});
    for (int i = 0; i < kPointCount; ++i)
        QCOMPARE(content.values.at(i), DecodeVolts(quint8(image.at(kFirstAddress + i))));

    // Write another curve, with a comma file, under faults.
    QStringList texts = curveTexts(DecimalFormat(QChar(u',')));
    const QString file = dir.filePath(QStringLiteral("otherEmu.txt"));
    QVERIFY(WriteTextFile(file, texts).isEmpty());
    sim::FaultRates rates;
    rates.drop = 0.05;
    rates.corrupt = 0.05;
    rates.split = 0.2;
    rig.setFaults(51, rates);
    CliRun write;
    QVERIFY(write.run(QStringLiteral(MARVEK2_CLI),
                      {QStringLiteral("curve"), QStringLiteral("write"), file,
                       QStringLiteral("--port"), rig.module.slavePath(), QStringLiteral("--clamp")},
                      120000));
    QVERIFY2(write.exitCode() == 0, write.err.constData());
    QCOMPARE(ImageDifferences(rig.eeprom(),
                              withCurve(image, bytesOf(texts, DecimalFormat(QChar(u','))))),
             QStringList());
}

void TestCurveOverPty::cliRefusesABadFile() {
    const QByteArray image = randomImage(16);
    PtyRig rig(image);
    QVERIFY(rig.started);
    QTemporaryDir dir;
    QStringList texts = curveTexts(DecimalFormat(QChar(u'.')));
    texts[10] = QStringLiteral("25"); // meant 2.5: refused without --clamp, like the last, 6.5
    const QString file = dir.filePath(QStringLiteral("shortEmu.txt"));
    QVERIFY(WriteTextFile(file, texts).isEmpty());
    CliRun write;
    QVERIFY(write.run(QStringLiteral(MARVEK2_CLI),
                      {QStringLiteral("curve"), QStringLiteral("write"), file,
                       QStringLiteral("--port"), rig.module.slavePath()},
                      30000));
    QVERIFY(write.exitCode() != 0);
    QVERIFY2(write.err.contains("shortEmu.txt, line 11: 2 values"), write.err.constData());
    QVERIFY(rig.received().isEmpty());
    QCOMPARE(rig.eeprom(), image);
    QCOMPARE(curveOf(rig.eeprom()), curveOf(image));
}

QTEST_MAIN(TestCurveOverPty)
#include "tst_curve_over_pty.moc"
