#include "com_port.h"
#include "connect_read.h"
#include "decimal_format.h"
#include "journal_sink.h"
#include "languages.h"
#include "live_recorder.h"
#include "module_settings.h"
#include "pty_rig.h"
#include "record_file.h"
#include "text_file.h"
#include "transaction_engine.h"

#include <QProcess>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace telemetry;

namespace {

// The simulated module on a pseudo-terminal with its engine model running, the program's port on
// it (19200 8N1), the connection read and the live chart, all in this thread's event loop. The
// poll runs at its real interval; the connection read before it is fast.
struct Bench : PtyRig {
    Bench() : PtyRig(QByteArray(), 1.0) {
        sim().setEngineEnabled(true);
        engine.setFastTransfers(true);
        recorder.setDecimalFormat(DecimalFormat(u','));
        QObject::connect(&sim(), &sim::Module::exchanged,
                         [this](const QString& command, const QByteArray& answer) {
                             exchanges.append({command, answer});
                         });
    }
    // The connection read, as the program runs it before any recording.
    bool connect() {
        QSignalSpy identified(&read, &ConnectRead::identified);
        read.startRead();
        return identified.wait(30000);
    }
    QStringList commandsAfter(const QString& first) {
        const QStringList all = sim().receivedCommands();
        const qsizetype at = all.indexOf(first);
        return at < 0 ? QStringList() : all.mid(at);
    }

    ModuleSettingsModel settings;
    ConnectRead read{engine, settings};
    LiveRecorder recorder{engine, settings};
    QList<std::pair<QString, QByteArray>> exchanges;
};

QSet<double> distinctValues(const Recording& r, Channel c) {
    QSet<double> values;
    for (qsizetype i = 0; i < r.sampleCount(); ++i)
        values.insert(r.value(SeriesOf(c), i));
    return values;
}

QStringList cliLog(const QString& port, const QString& out, const QStringList& extra) {
    return QStringList{
               QStringLiteral("log"), QStringLiteral("--port"), port, QStringLiteral("--seconds"),
               QStringLiteral("2"),   QStringLiteral("--out"),  out} +
           extra;
}

} // namespace

class TestTelemetryOverPty : public QObject {
    Q_OBJECT
private slots:
    void liveValuesMove();
    void splitAnswersStillDecode();
    void fuelCounterResetWritesTheThreeRegisters();
    void cliLogWritesARecordFile();
    void cliLogWritesCsv_data();
    void cliLogWritesCsv();
    void cliLogFails_data();
    void cliLogFails();
};

void TestTelemetryOverPty::liveValuesMove() {
    Bench b;
    QVERIFY(b.started);
    b.sim().setSeed(7);
    QVERIFY(b.open());
    QVERIFY(b.connect());
    QCOMPARE(b.settings.settings().FuelFlowDigits, (std::array<int, 4>{0xC, 0x2, 0x1, 0x0}));

    // 500 ms graph ticks leave room for the whole cycle of five 50 ms steps, so the order of
    // the commands is fixed; both run twice as fast as real time here.
    b.engine.setIntervalScale(0.5);
    b.recorder.setGraphIntervalItem(2);
    QSignalSpy decoded(&b.recorder.poll(), &TelemetryPoll::batchDecoded);
    QVERIFY(b.recorder.start());
    Recording* rec = b.recorder.liveRecording();
    QTRY_VERIFY_WITH_TIMEOUT(rec->sampleCount() >= 16, 15000);
    QVERIFY(b.recorder.stop());
    QCOMPARE(b.recorder.FuelFlowFactor(), 300.0);

    // The first tick's cycle asks for the factor twice, then the three batches and "AA&"; later
    // cycles open with the batch whose answer is not decoded.
    const QStringList sent = b.commandsAfter(QStringLiteral("47&"));
    QCOMPARE(sent.mid(0, 6),
             QStringList({"47&", "47&", "23%03&65&", "04%14&96%D6%", "2A&4A&6A&AA&", "AA&"}));
    // On a loaded machine a graph tick may come before its cycle is through: the next cycle
    // starts over, so every cycle is the full order or the start of it.
    const QStringList later = {"04%14&D4&23%", "23%03&65&", "04%14&96%D6%", "2A&4A&6A&AA&", "AA&"};
    int whole = 0;
    for (qsizetype at = 6; at < sent.size();) {
        qsizetype n = 1;
        while (at + n < sent.size() && n < later.size() && sent.at(at + n) != later.first())
            ++n;
        QCOMPARE(sent.mid(at, n), later.mid(0, n));
        whole += n == later.size() ? 1 : 0;
        at += n;
    }
    QVERIFY(whole >= 1);

    // The module's answers have the exact lengths the poll decodes, and it decoded them.
    QHash<QString, qsizetype> lengths;
    for (const auto& [command, answer] : b.exchanges)
        lengths.insert(command, answer.size());
    QCOMPARE(lengths.value(kFuelBatch), qsizetype(kFuelBatchAnswerLength));
    QCOMPARE(lengths.value(kCounterBatch), qsizetype(kCounterBatchAnswerLength));
    QCOMPARE(lengths.value(kSensorBatch), qsizetype(kSensorBatchAnswerLength));
    QCOMPARE(lengths.value(kCycleOpening), qsizetype(16));
    QCOMPARE(lengths.value(kFactorCommand), qsizetype(4));
    QVERIFY(decoded.count() >= 3 * 15);

    // The engine model moves: the values change from sample to sample.
    QVERIFY(distinctValues(*rec, Channel::PVK).size() > 3);
    QVERIFY(distinctValues(*rec, Channel::T).size() > 1);
    QVERIFY(distinctValues(*rec, Channel::U_analog).size() > 3);
    const double rpm = rec->value(SeriesOf(Channel::PVK), rec->sampleCount() - 1);
    QVERIFY2(rpm >= 100 && rpm < 7000, qPrintable(QString::number(rpm)));
    const double temperature = rec->value(SeriesOf(Channel::T), rec->sampleCount() - 1);
    QVERIFY2(temperature > 5 && temperature < 102, qPrintable(QString::number(temperature)));
    QVERIFY(rec->value(SeriesOf(Channel::TVT), rec->sampleCount() - 1) > 0);
    for (qsizetype i = 0; i < rec->sampleCount(); ++i)
        QCOMPARE(rec->grid().cell(i, kStepColumn), 50.0 * double(i));
    // Every receive event left its traffic line.
    QVERIFY(b.journal.lines().size() >= b.exchanges.size() - 1);
}

void TestTelemetryOverPty::splitAnswersStillDecode() {
    Bench b;
    QVERIFY(b.started);
    b.sim().setSeed(3); // before the registers: a new seed restarts the engine model
    b.sim().setEngineEnabled(false);
    b.sim().state().setRegWord(0x56, 300); // 1000 rpm
    b.sim().state().setReg(0x32, 33);      // 3.3 ms
    QVERIFY(b.open());
    QVERIFY(b.connect());
    sim::FaultRates rates;
    rates.split = 1.0; // every answer in pieces 5 ms apart, within the 50 ms step
    b.sim().setFaults(rates);
    QVERIFY(b.recorder.start());
    Recording* rec = b.recorder.liveRecording();
    QTRY_VERIFY_WITH_TIMEOUT(rec->sampleCount() >= 6, 10000);
    b.recorder.stop();
    const qsizetype last = rec->sampleCount() - 1;
    QCOMPARE(rec->value(SeriesOf(Channel::PVK), last), 1000.0);
    QCOMPARE(rec->value(SeriesOf(Channel::TVT), last), 3.3);
}

void TestTelemetryOverPty::fuelCounterResetWritesTheThreeRegisters() {
    Bench b;
    QVERIFY(b.started);
    b.sim().setEngineEnabled(false); // the counter stands still
    b.sim().setRegisterByte(0x40, 0x21);
    b.sim().setRegisterByte(0x41, 0x43);
    b.sim().setRegisterByte(0x42, 0x05);
    QVERIFY(b.open());
    QVERIFY(b.connect());
    QCOMPARE(b.settings.settings().FuelCounterDigits, (std::array<int, 6>{1, 2, 3, 4, 5, 0}));

    QSignalSpy finished(&b.recorder.fuelCounterReset(), &FuelCounterReset::finished);
    b.sim().clearReceivedCommands();
    b.recorder.resetFuelCounter();
    QVERIFY(finished.wait(5000));
    QCOMPARE(b.sim().receivedCommands(), QStringList({"0004$", "0014$", "0024$"}));
    QCOMPARE(b.sim().registerByte(0x40), quint8(0));
    QCOMPARE(b.sim().registerByte(0x41), quint8(0));
    QCOMPARE(b.sim().registerByte(0x42), quint8(0));
    QCOMPARE(b.recorder.fuelUsedText(), QStringLiteral("0"));
    QVERIFY(!b.recorder.fuelCounterReset().isEnabled());

    // A recording then reads the zeroed counter.
    QVERIFY(b.recorder.start());
    QTRY_VERIFY_WITH_TIMEOUT(b.recorder.liveRecording()->sampleCount() >= 3, 5000);
    b.recorder.stop();
    QCOMPARE(b.recorder.fuelUsed(), 0.0);
}

void TestTelemetryOverPty::cliLogWritesARecordFile() {
    Bench b;
    QVERIFY(b.started);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("road_data.txt"));
    QProcess cli;
    cli.start(QStringLiteral(MARVEK2_CLI), cliLog(b.module.slavePath(), path, {}));
    // The simulator lives in this event loop: wait without blocking it.
    QTRY_COMPARE_WITH_TIMEOUT(cli.state(), QProcess::NotRunning, 40000);
    const QByteArray err = cli.readAllStandardError();
    QVERIFY2(cli.exitStatus() == QProcess::NormalExit && cli.exitCode() == 0, err.constData());
    QCOMPARE(cli.readAllStandardOutput(),
             QByteArray("8 samples written to ") + path.toUtf8() + "\n");

    // 2 s at 250 ms: 8 samples at 0 … 1.75 s, read back by the program's own reader.
    const RecordFileContent content = ReadRecordFile(path, DecimalFormat(u','));
    QVERIFY2(content.ok(), qPrintable(EnglishText(content.error)));
    QCOMPARE(content.grid.rowCount(), 8);
    for (int i = 0; i < 8; ++i)
        QCOMPARE(content.grid.cell(i, kStepColumn), 25.0 * i);
    QVERIFY(content.grid.cell(7, ColumnOfSeries(SeriesOf(Channel::PVK))) > 0);
    QVERIFY(content.grid.cell(7, ColumnOfSeries(SeriesOf(Channel::T))) > 0);
    const TextFileContent text = ReadTextFile(path);
    QVERIFY(text.lines.at(0).startsWith(QStringLiteral("0#Step#")));
    QVERIFY(text.lines.at(7).endsWith(QStringLiteral("#TP#0#SD#")));
    // The module saw a connection read, then the poll.
    QVERIFY(b.sim().receivedCommands().contains(QStringLiteral("2A%")));
    QVERIFY(b.sim().receivedCommands().contains(kSensorBatch));
}

void TestTelemetryOverPty::cliLogWritesCsv_data() {
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("decimal");
    QTest::newRow("comma decimals") << QByteArray("ru_RU.UTF-8") << ";"
                                    << ",";
    QTest::newRow("point decimals") << QByteArray("C") << ","
                                    << ".";
}

void TestTelemetryOverPty::cliLogWritesCsv() {
    QFETCH(QByteArray, locale);
    QFETCH(QString, separator);
    QFETCH(QString, decimal);
    Bench b;
    QVERIFY(b.started);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("road.csv"));
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(locale));
    cli.setProcessEnvironment(env);
    cli.start(
        QStringLiteral(MARVEK2_CLI),
        cliLog(b.module.slavePath(), path,
               {QStringLiteral("--csv"), QStringLiteral("--interval"), QStringLiteral("500")}));
    QTRY_COMPARE_WITH_TIMEOUT(cli.state(), QProcess::NotRunning, 40000);
    const QByteArray err = cli.readAllStandardError();
    QVERIFY2(cli.exitStatus() == QProcess::NormalExit && cli.exitCode() == 0, err.constData());

    const TextFileContent text = ReadTextFile(path);
    QVERIFY(text.ok());
    QCOMPARE(text.lines.size(), 1 + 4); // header, then 2 s at 500 ms
    const QStringList header = text.lines.at(0).split(separator);
    QCOMPARE(header.size(), 11);
    QCOMPARE(header.at(0), QStringLiteral("SampleTime (с)"));
    QCOMPARE(header.at(9), QStringLiteral("PVK (об/мин)"));
    const QString times[] = {QStringLiteral("0"), QStringLiteral("0") + decimal + u'5',
                             QStringLiteral("1"), QStringLiteral("1") + decimal + u'5'};
    for (int i = 0; i < 4; ++i) {
        const QStringList fields = text.lines.at(1 + i).split(separator);
        QCOMPARE(fields.size(), 11);
        QCOMPARE(fields.at(0), times[i]);
        for (const QString& f : fields)
            QVERIFY2(DecimalFormat(decimal.at(0)).parse(f).has_value(), qPrintable(f));
    }
    // Values in real units: a running engine turns at a few hundred to a few thousand rpm.
    const double rpm = *DecimalFormat(decimal.at(0)).parse(text.lines.at(4).split(separator).at(9));
    QVERIFY2(rpm >= 100 && rpm < 7000, qPrintable(QString::number(rpm)));
}

void TestTelemetryOverPty::cliLogFails_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("missing port") << "missing" << 1;
    QTest::newRow("foreign module") << "foreign" << 4;
    QTest::newRow("module error") << "error" << 2;
    QTest::newRow("no --seconds") << "usage" << 1;
    QTest::newRow("unwritable file") << "unwritable" << 1;
}

void TestTelemetryOverPty::cliLogFails() {
    QFETCH(QString, how);
    QFETCH(int, exitCode);
    Bench b;
    QVERIFY(b.started);
    QTemporaryDir dir;
    QString port = b.module.slavePath();
    QString out = dir.filePath(QStringLiteral("x_data.txt"));
    QStringList args = cliLog(port, out, {});
    if (how == QLatin1String("missing")) {
        args[2] = QStringLiteral("/dev/marvek2-no-such-port");
    } else if (how == QLatin1String("foreign")) {
        b.sim().state().setName("Other-01");
    } else if (how == QLatin1String("error")) {
        sim::FaultRates rates;
        rates.error = 1.0;
        b.sim().setFaults(rates);
    } else if (how == QLatin1String("usage")) {
        args.removeAt(3);
        args.removeAt(3);
    } else {
        out = dir.filePath(QStringLiteral("no/such/folder/x_data.txt"));
        args[6] = out;
    }
    QProcess cli;
    cli.start(QStringLiteral(MARVEK2_CLI), args);
    QTRY_COMPARE_WITH_TIMEOUT(cli.state(), QProcess::NotRunning, 40000);
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.exitCode(), exitCode);
    QCOMPARE(cli.readAllStandardOutput(), QByteArray());
    QVERIFY(cli.readAllStandardError().startsWith("marvek2-cli: "));
    QVERIFY(!QFile::exists(out));
}

QTEST_GUILESS_MAIN(TestTelemetryOverPty)
#include "tst_telemetry_over_pty.moc"
