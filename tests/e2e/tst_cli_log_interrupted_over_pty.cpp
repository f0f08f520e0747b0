// marvek2-cli cut short: log saves what was recorded and reports the cause with a non-zero exit;
// a verb that runs out of time reports that cause alone.
#include "decimal_format.h"
#include "pty_rig.h"
#include "record_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestCliLogInterrupted : public QObject {
    Q_OBJECT
private slots:
    void savesWhatWasRecorded_data();
    void savesWhatWasRecorded();
    void timeoutIsTheOnlyCause_data();
    void timeoutIsTheOnlyCause();
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
    QVERIFY2(content.ok(), qPrintable(content.error));
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

QTEST_MAIN(TestCliLogInterrupted)
#include "tst_cli_log_interrupted_over_pty.moc"
