// marvek2-cli cut short: log saves what was recorded and reports the cause with a non-zero exit;
// a verb that runs out of time reports that cause alone; SIGINT or SIGTERM stops a write after
// the item in hand and names what the module holds.
#include "curve_codec.h"
#include "curve_file.h"
#include "decimal_format.h"
#include "dump_file.h"
#include "languages.h"
#include "pty_rig.h"
#include "record_file.h"
#include "table_codec.h"
#include "table_values.h"
#include "text_file.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>

class TestCliLogInterrupted : public QObject {
    Q_OBJECT
private slots:
    void savesWhatWasRecorded_data();
    void savesWhatWasRecorded();
    void timeoutIsTheOnlyCause_data();
    void timeoutIsTheOnlyCause();
    void signalCancelsAWrite_data();
    void signalCancelsAWrite();
};

void TestCliLogInterrupted::savesWhatWasRecorded_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("cause");
    QTest::newRow("module answers \"*\"") << "error" << 2 << "refused a command";
    QTest::newRow("adapter pulled") << "unplug" << 1 << "";
}

void TestCliLogInterrupted::savesWhatWasRecorded() {
    QFETCH(QString, how);
    QFETCH(int, exitCode);
    QFETCH(QString, cause);
    PtyRig rig;
    QVERIFY(rig.started);
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("cut_data.txt"));

    // Once the poll has run a few cycles (each opens with the sensor batch), the module fails.
    int cycles = 0;
    bool struck = false;
    QObject::connect(&rig.module, &sim::PtyModule::received, &rig.module,
                     [&](const QByteArray& bytes) {
                         if (struck || !bytes.contains("2A&4A&6A&AA&") || ++cycles < 4)
                             return;
                         struck = true;
                         if (how == QLatin1String("error")) {
                             sim::FaultRates rates;
                             rates.error = 1.0;
                             rig.sim().setFaults(rates);
                         } else {
                             QTimer::singleShot(0, &rig.module, [&] { rig.module.unplug(); });
                         }
                     });
    CliRun cli;
    QVERIFY(
        cli.run(QStringLiteral(MARVEK2_CLI),
                {QStringLiteral("log"), QStringLiteral("--port"), rig.module.slavePath(),
                 QStringLiteral("--seconds"), QStringLiteral("60"), QStringLiteral("--out"), out},
                60000));
    QVERIFY(struck);
    QCOMPARE(cli.exitCode(), exitCode);
    QVERIFY2(cli.err.contains(cause.toUtf8()), cli.err.constData());
    QVERIFY2(cli.err.contains("samples written to"), cli.err.constData());
    const telemetry::RecordFileContent content = telemetry::ReadRecordFile(out, DecimalFormat());
    QVERIFY2(content.ok(), qPrintable(EnglishText(content.error)));
    QVERIFY(content.grid.rowCount() >= 1);
}

void TestCliLogInterrupted::timeoutIsTheOnlyCause_data() {
    QTest::addColumn<QString>("verb");
    QTest::newRow("identify") << "identify";
    QTest::newRow("dump") << "dump";
}

void TestCliLogInterrupted::timeoutIsTheOnlyCause() {
    QFETCH(QString, verb);
    PtyRig rig;
    QVERIFY(rig.started);
    sim::FaultRates rates;
    rates.drop = 1.0; // the module never answers
    rig.sim().setFaults(rates);
    QTemporaryDir dir;
    QStringList args{verb, QStringLiteral("--port"), rig.module.slavePath(),
                     QStringLiteral("--timeout"), QStringLiteral("1")};
    if (verb == QLatin1String("dump"))
        args << QStringLiteral("--out") << dir.filePath(QStringLiteral("x.mmr2"));
    CliRun cli;
    QVERIFY(cli.run(QStringLiteral(MARVEK2_CLI), args, 30000));
    QCOMPARE(cli.exitCode(), 3);
    QStringList causes;
    for (const QByteArray& line : cli.err.split('\n')) {
        // Progress lines ("reading EEPROM-00", "still trying") are no causes.
        if (!line.isEmpty() && !line.contains("reading EEPROM") && !line.contains("still trying"))
            causes << QString::fromUtf8(line);
    }
    QCOMPARE(causes.size(), 1);
    QVERIFY2(causes.first().contains(QLatin1String("did not complete within 1 s")),
             qPrintable(causes.first()));
}

void TestCliLogInterrupted::signalCancelsAWrite_data() {
    QTest::addColumn<QString>("verb");
    QTest::addColumn<int>("signal");
    QTest::newRow("table write, SIGINT") << "table" << int(SIGINT);
    QTest::newRow("table write, SIGTERM") << "table" << int(SIGTERM);
    QTest::newRow("curve write, SIGINT") << "curve" << int(SIGINT);
    QTest::newRow("restore, SIGTERM") << "restore" << int(SIGTERM);
}

// Every address the report names holds the new byte; every other one its old byte.
void TestCliLogInterrupted::signalCancelsAWrite() {
    QFETCH(QString, verb);
    QFETCH(int, signal);
    PtyRig rig;
    QVERIFY(rig.started);
    const QByteArray before = rig.eeprom();
    QByteArray expected = before;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("new"));
    QStringList args;
    QString pattern;
    if (verb == QLatin1String("table")) {
        QStringList cells;
        for (int i = 0; i < kTableCells; ++i) {
            cells << QString::number(2 + i % 20);
            expected[CellEepromAddress(TableKind::Water, i % kTableColumns + 1,
                                       i / kTableColumns + 1)] = char(EncodeCell(2 + i % 20));
        }
        QVERIFY(WriteTextFile(file, cells).isEmpty());
        args = QStringList{"table", "write", "water", file};
        pattern = QStringLiteral("the module holds the new cells (1–)?(\\d+) of 64");
    } else if (verb == QLatin1String("curve")) {
        QStringList points;
        for (int p = 0; p < curve::kPointCount; ++p) {
            points << QString::number(p % 5);
            expected[0x30 + p] = char(curve::EncodeVolts(p % 5));
        }
        QVERIFY(curve::WriteCurveFile(file, points).isEmpty());
        args = QStringList{"curve", "write", file};
        pattern = QStringLiteral("the module holds the new points (0–)?(\\d+),");
    } else {
        EepromImage image{};
        for (int a = 0; a < 256; ++a) {
            const bool data = (a >= 0x30 && a < 0x70) || a >= 0x80;
            expected[a] = char(data ? ~before.at(a) : before.at(a));
            image[size_t(a)] = quint8(expected.at(a));
        }
        QVERIFY(WriteDumpFile(file, image).isEmpty());
        args = QStringList{"restore", file};
        pattern = QStringLiteral("the module holds the new bytes at EEPROM ([0-9A-F–, ]+);?");
    }
    CliRun cli;
    int writes = 0;
    QObject::connect(&rig.module, &sim::PtyModule::received, &rig.module,
                     [&](const QByteArray& bytes) {
                         if (bytes.contains(')') && ++writes == 5)
                             ::kill(pid_t(cli.process.processId()), signal);
                     });
    QVERIFY(cli.run(QStringLiteral(MARVEK2_CLI),
                    args + QStringList{QStringLiteral("--port"), rig.module.slavePath()}, 60000));
    QCOMPARE(cli.exitCode(), 130);
    const QRegularExpressionMatch report =
        QRegularExpression(QStringLiteral("cancelled: ") + pattern)
            .match(QString::fromUtf8(cli.err));
    QVERIFY2(report.hasMatch(), cli.err.constData());
    QSet<int> written;
    if (verb == QLatin1String("restore")) {
        for (const QString& range : report.captured(1).split(QStringLiteral(", "))) {
            const QStringList ends = range.trimmed().split(QStringLiteral("–"));
            for (int a = ends.first().toInt(nullptr, 16); a <= ends.last().toInt(nullptr, 16); ++a)
                written << a;
        }
    } else {
        const int count = report.captured(2).toInt() + (verb == QLatin1String("curve") ? 1 : 0);
        for (int i = 0; i < count; ++i)
            written << (verb == QLatin1String("curve")
                            ? 0x30 + i
                            : CellEepromAddress(TableKind::Water, i % kTableColumns + 1,
                                                i / kTableColumns + 1));
    }
    QVERIFY2(written.size() >= 4 && written.size() < 64, cli.err.constData());
    for (int a = 0; a < 256; ++a) {
        const char want = written.contains(a) ? expected.at(a) : before.at(a);
        QVERIFY2(rig.eeprom().at(a) == want, qPrintable(QStringLiteral("EEPROM-%1").arg(a, 2, 16)));
    }
}

QTEST_MAIN(TestCliLogInterrupted)
#include "tst_cli_log_interrupted_over_pty.moc"
