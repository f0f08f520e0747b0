// marvek2-cli cut short: log saves what was recorded and reports the cause with a non-zero exit;
// a verb that runs out of time reports that cause alone; SIGINT or SIGTERM stops a table write
// after the cell in hand and names the cells the module holds.
#include "decimal_format.h"
#include "languages.h"
#include "pty_rig.h"
#include "record_file.h"
#include "table_codec.h"
#include "table_values.h"
#include "text_file.h"

#include <QFile>
#include <QRegularExpression>
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
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGTERM") << int(SIGTERM);
}

void TestCliLogInterrupted::signalCancelsAWrite() {
    QFETCH(int, signal);
    PtyRig rig;
    QVERIFY(rig.started);
    const QByteArray before = rig.eeprom();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("water.txt"));
    QStringList cells;
    for (int i = 0; i < kTableCells; ++i)
        cells << QString::number(2 + i % 20);
    QVERIFY(WriteTextFile(file, cells).isEmpty());
    CliRun cli;
    int writes = 0;
    QObject::connect(&rig.module, &sim::PtyModule::received, &rig.module,
                     [&](const QByteArray& bytes) {
                         if (bytes.contains(')') && ++writes == 5)
                             ::kill(pid_t(cli.process.processId()), signal);
                     });
    QVERIFY(cli.run(QStringLiteral(MARVEK2_CLI),
                    {QStringLiteral("table"), QStringLiteral("write"), QStringLiteral("water"),
                     file, QStringLiteral("--port"), rig.module.slavePath()},
                    60000));
    QCOMPARE(cli.exitCode(), 130);
    const QRegularExpressionMatch report =
        QRegularExpression(QStringLiteral("cancelled: the module holds the new cells (1–)?(\\d+) "
                                          "of 64"))
            .match(QString::fromUtf8(cli.err));
    QVERIFY2(report.hasMatch(), cli.err.constData());
    const int count = report.captured(2).toInt();
    QVERIFY(count >= 4 && count < kTableCells);
    for (int i = 0; i < kTableCells; ++i) {
        const int at =
            CellEepromAddress(TableKind::Water, i % kTableColumns + 1, i / kTableColumns + 1);
        const int expected = i < count ? EncodeCell(cells.at(i).toDouble()) : quint8(before[at]);
        QVERIFY2(quint8(rig.eeprom()[at]) == expected, qPrintable(QString::number(i + 1)));
    }
}

QTEST_MAIN(TestCliLogInterrupted)
#include "tst_cli_log_interrupted_over_pty.moc"
