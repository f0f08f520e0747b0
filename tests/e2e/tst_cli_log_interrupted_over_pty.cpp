// marvek2-cli log cut short by the module or the port: what was recorded is saved, and the cause
// is reported with a non-zero exit.
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

QTEST_MAIN(TestCliLogInterrupted)
#include "tst_cli_log_interrupted_over_pty.moc"
