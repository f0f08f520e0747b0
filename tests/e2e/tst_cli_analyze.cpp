// marvek2-cli analyze on a record file: the matrix printed, its filters and its mistakes.
#include "decimal_format.h"
#include "pty_rig.h"
#include "record_file.h"

#include <QTemporaryDir>
#include <QTest>

using namespace telemetry;

class CliAnalyzeTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void analyze_data();
    void analyze();

private:
    QTemporaryDir m_dir;
    QString record() const { return m_dir.filePath(QStringLiteral("drive_data.txt")); }
};

void CliAnalyzeTest::initTestCase() {
    QVERIFY(m_dir.isValid());
    // Step, TVT, U_analog, T and PVK, × 100: two samples at idle, three at 2400 rpm and 9,6 ms.
    const auto sample = [](double step, double tvt, double maf, double t, double rpm) {
        return SampleRow{step, tvt, 0, maf, 0, 0, 0, t, 0, rpm, 0};
    };
    SampleGrid grid;
    grid.append(sample(0, 10, 0, 7000, 67000));
    grid.append(sample(25, 10, 0, 9000, 67000));
    grid.append(sample(50, 960, 250, 8500, 240000));
    grid.append(sample(100, 960, 250, 9500, 240000));
    grid.append(sample(150, 960, 250, 6000, 240000));
    QCOMPARE(WriteRecordFile(record(), grid, DecimalFormat(u',')), QString());
}

void CliAnalyzeTest::analyze_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("lines"); // among the lines printed
    QTest::newRow("dwell") << QStringList{"--table", "water"} << 0
                           << QStringList{"water table, dwell, % of the time; 5 of 5 samples, 2 s",
                                          "t, ms    670   780   940  1200  1600  2400  4800 10000",
                                          "0,1       25     -     -     -     -     -     -     -",
                                          "9,6        -     -     -     -     -    75     -     -"};
    QTest::newRow("mean above 80, MAF basis")
        << QStringList{"--table", "fuel", "--basis", "maf", "--channel", "t", "--where", "T>80"}
        << 0
        << QStringList{"fuel table, mean of T; 3 of 5 samples, 1,25 s",
                       "V        670   780   940  1200  1600  2400  4800 10000",
                       "0,0       90     -     -     -     -     -     -     -",
                       "1,9        -     -     -     -     -     -     -     -"};
    QTest::newRow("from 0,5 s, CSV")
        << QStringList{"--table", "water", "--from", "0.5", "--csv"} << 0
        << QStringList{"t, ms;670;780;940;1200;1600;2400;4800;10000", "0,1;;;;;;;;", "3,2;;;;;;;;",
                       "9,6;;;;;;100;;"};
    QTest::newRow("no table") << QStringList{} << 1 << QStringList{};
    QTest::newRow("unknown channel")
        << QStringList{"--table", "water", "--channel", "rpm"} << 1 << QStringList{};
    QTest::newRow("condition without a value")
        << QStringList{"--table", "water", "--where", "T>"} << 1 << QStringList{};
}

void CliAnalyzeTest::analyze() {
    QFETCH(QStringList, options);
    QFETCH(int, status);
    QFETCH(QStringList, lines);
    CliRun cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("ru_RU.UTF-8"));
    cli.process.setProcessEnvironment(env);
    QVERIFY(
        cli.run(QStringLiteral(MARVEK2_CLI), QStringList{"analyze", record()} + options, 30000));
    QCOMPARE(cli.exitCode(), status);
    if (status != 0) {
        QVERIFY(cli.out.isEmpty());
        QVERIFY(!cli.err.isEmpty());
        return;
    }
    const QStringList out = QString::fromUtf8(cli.out).split(QLatin1Char('\n'));
    // The header row and eight rows (after a title unless CSV), then the end of the last line.
    QCOMPARE(out.size(), options.contains(QStringLiteral("--csv")) ? 10 : 11);
    for (const QString& line : lines)
        QVERIFY2(out.contains(line), qPrintable(line));
}

QTEST_GUILESS_MAIN(CliAnalyzeTest)
#include "tst_cli_analyze.moc"
