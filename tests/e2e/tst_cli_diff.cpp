// marvek2-cli diff on table, curve, dump and record files: the differences printed and the exit
// status; every verb's --help.
#include "curve_file.h"
#include "decimal_format.h"
#include "dump_file.h"
#include "pty_rig.h"
#include "record_file.h"
#include "table_file.h"
#include "text_file.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

QString writeTable(const QString& path, const QStringList& cells) {
    const auto error = WriteTableFile(path, cells);
    return error ? error->key : QString();
}

} // namespace

class CliDiffTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void diff_data();
    void diff();
    void helpListsEveryOption_data();
    void helpListsEveryOption();

private:
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }
};

void CliDiffTest::initTestCase() {
    QVERIFY(m_dir.isValid());
    QStringList table(64, QStringLiteral("2,5"));
    QCOMPARE(writeTable(path("aMAF.txt"), table), QString());
    table[0] = QStringLiteral("2.50"); // the same value written on a point system
    QCOMPARE(writeTable(path("samevalueMAF.txt"), table), QString());
    table[9] = QStringLiteral("3"); // column 2, row 2
    table[63] = QStringLiteral("0,01");
    QCOMPARE(writeTable(path("bLambda.txt"), table), QString());

    QStringList points(64, QStringLiteral("1"));
    QVERIFY(curve::WriteCurveFile(path("aEmu.txt"), points).isEmpty());
    points[17] = QStringLiteral("1,02");
    QVERIFY(curve::WriteCurveFile(path("bEmu.txt"), points).isEmpty());

    EepromImage image{};
    QVERIFY(WriteDumpFile(path("a.mmr2"), image).isEmpty());
    image[0x1D] = 0x5A; // OPR
    image[0x37] = 0x10; // curve point 7
    image[0x7A] = 0x41; // third character of the module name
    image[0x8F] = 0x19; // water, column 1, row 1
    image[0xF0] = 0x20; // fuel, column 8, row 8
    QVERIFY(WriteDumpFile(path("b.mmr2"), image).isEmpty());

    QVERIFY(WriteTextFile(path("bad.mmr2"), {QStringLiteral("EEPROM-00 = zz")}).isEmpty());

    // The same files under names that tell nothing, as --out may write them.
    for (const char* from : {"a.mmr2", "b.mmr2", "aEmu.txt", "bEmu.txt"})
        QVERIFY(QFile::copy(path(from), path(QString::fromLatin1(from).section(u'.', 0, 0) +
                                             QStringLiteral("_plain"))));
    QStringList big(64, QStringLiteral("12,5")); // above 5 V: a table, whatever its name
    QCOMPARE(writeTable(path("t1"), big), QString());
    big[0] = QStringLiteral("12,6");
    QCOMPARE(writeTable(path("t2"), big), QString());

    telemetry::SampleGrid grid;
    for (int i = 0; i < 3; ++i)
        grid.append({i * 25.0, 330, 1234, 0, 0, 0, 0, 0, 0, 0, 0});
    QVERIFY(telemetry::WriteRecordFile(path("r1"), grid, DecimalFormat(u',')).isEmpty());
    grid = {};
    for (int i = 0; i < 4; ++i)
        grid.append({i * 25.0, i == 1 ? 331.0 : 330, 1234, 0, 0, 0, 0, 0, 0, 0, 0});
    QVERIFY(telemetry::WriteRecordFile(path("r2"), grid, DecimalFormat(u',')).isEmpty());
}

void CliDiffTest::diff_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");
    QTest::newRow("equal tables, either separator")
        << QStringList{"aMAF.txt", "samevalueMAF.txt"} << 0 << "0 differences\n";
    QTest::newRow("a water and a fuel table")
        << QStringList{"aMAF.txt", "bLambda.txt"} << 1
        << "column 2, row 2: 2,5 | 3\ncolumn 8, row 8: 2,5 | 0,01\n2 differences\n";
    QTest::newRow("curves") << QStringList{"aEmu.txt", "bEmu.txt"} << 1
                            << "point 17: 1 | 1,02\n1 difference\n";
    const QString dumpDifferences = "EEPROM-1D: 00 | 5A  OPR\n"
                                    "EEPROM-37: 00 | 10  curve point 7\n"
                                    "EEPROM-7A: 00 | 41  module name, character 3\n"
                                    "EEPROM-8F: 00 | 19  water table column 1, row 1\n"
                                    "EEPROM-F0: 00 | 20  fuel table column 8, row 8\n"
                                    "5 differences\n";
    QTest::newRow("dumps with the setting of each address")
        << QStringList{"a.mmr2", "b.mmr2"} << 1 << dumpDifferences;
    QTest::newRow("files of different kinds") << QStringList{"aEmu.txt", "a.mmr2"} << 2 << "";
    QTest::newRow("a missing file") << QStringList{"a.mmr2", "none.mmr2"} << 2 << "";
    QTest::newRow("a damaged dump") << QStringList{"a.mmr2", "bad.mmr2"} << 2 << "";
    QTest::newRow("one file only") << QStringList{"a.mmr2"} << 2 << "";
    QTest::newRow("dumps told by their content")
        << QStringList{"a_plain", "b_plain"} << 1 << dumpDifferences;
    QTest::newRow("a dump and its copy, the kind named")
        << QStringList{"a_plain", "a.mmr2", "--kind", "dump"} << 0 << "0 differences\n";
    QTest::newRow("tables told by a value above 5")
        << QStringList{"t1", "t2"} << 1 << "column 1, row 1: 12,5 | 12,6\n1 difference\n";
    QTest::newRow("a table and a curve alike, no ending to tell")
        << QStringList{"aEmu_plain", "bEmu_plain"} << 2 << "";
    QTest::newRow("the same, the kind named")
        << QStringList{"aEmu_plain", "bEmu_plain", "--kind", "curve"} << 1
        << "point 17: 1 | 1,02\n1 difference\n";
    QTest::newRow("a named ending decides")
        << QStringList{"aEmu_plain", "bEmu.txt"} << 1 << "point 17: 1 | 1,02\n1 difference\n";
    QTest::newRow("record files") << QStringList{"r1", "r2"} << 1
                                  << "sample 2, SP: 330 | 331\nsamples: 3 | 4\n2 differences\n";
    QTest::newRow("a table and a dump") << QStringList{"t1", "a_plain"} << 2 << "";
    QTest::newRow("dumps read as records")
        << QStringList{"a.mmr2", "b.mmr2", "--kind", "record"} << 2 << "";
    QTest::newRow("an unknown kind") << QStringList{"a.mmr2", "b.mmr2", "--kind", "map"} << 2 << "";
}

void CliDiffTest::diff() {
    QFETCH(QStringList, files);
    QFETCH(int, status);
    QFETCH(QString, output);
    QStringList args{QStringLiteral("diff")};
    for (qsizetype i = 0; i < files.size(); ++i) {
        // Options and their values go as they are, file names into the test's folder.
        const bool option =
            files.at(i).startsWith(u'-') || (i > 0 && files.at(i - 1) == QLatin1String("--kind"));
        args << (option ? files.at(i) : path(files.at(i)));
    }
    CliRun cli;
    // A Russian system: the comma is the decimal separator the differences are printed with.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("ru_RU.UTF-8"));
    cli.process.setProcessEnvironment(env);
    QVERIFY(cli.run(QStringLiteral(MARVEK2_CLI), args, 30000));
    QCOMPARE(cli.exitCode(), status);
    QCOMPARE(QString::fromUtf8(cli.out), output);
    if (status == 2)
        QVERIFY(!cli.err.isEmpty());
}

void CliDiffTest::helpListsEveryOption_data() {
    QTest::addColumn<QString>("verb");
    QTest::addColumn<QStringList>("options");
    const QStringList transfer{"--port", "--timeout", "--fast"};
    QTest::newRow("the commands") << QString() << QStringList{"dump", "link-check", "analyze"};
    QTest::newRow("ports") << "ports" << QStringList{};
    QTest::newRow("send") << "send" << QStringList{"--port", "--timeout"};
    QTest::newRow("identify") << "identify" << transfer;
    QTest::newRow("dump") << "dump" << transfer + QStringList{"--out"};
    QTest::newRow("restore") << "restore" << transfer;
    QTest::newRow("log") << "log"
                         << QStringList{"--port", "--seconds", "--out", "--interval", "--csv"};
    QTest::newRow("table") << "table" << transfer + QStringList{"--out", "--filter", "--clamp"};
    QTest::newRow("curve") << "curve" << transfer + QStringList{"--out", "--filter", "--clamp"};
    QTest::newRow("diff") << "diff" << QStringList{"--kind"};
    QTest::newRow("link-check") << "link-check" << QStringList{"--port", "--count", "--json"};
    QTest::newRow("analyze") << "analyze"
                             << QStringList{"--table", "--basis", "--channel", "--from",
                                            "--to",    "--where", "--csv"};
}

void CliDiffTest::helpListsEveryOption() {
    QFETCH(QString, verb);
    QFETCH(QStringList, options);
    CliRun cli;
    QStringList args{QStringLiteral("--help")};
    if (!verb.isEmpty())
        args.prepend(verb);
    QVERIFY(cli.run(QStringLiteral(MARVEK2_CLI), args, 30000));
    QCOMPARE(cli.exitCode(), 0);
    const QString text = QString::fromUtf8(cli.out);
    // The program by its name, not by the path it was started with.
    const QString usage =
        QStringLiteral("Usage: marvek2-cli ") + (verb.isEmpty() ? "<command>" : verb);
    QVERIFY2(text.startsWith(usage), qPrintable(text));
    for (const QString& option : options)
        QVERIFY2(text.contains(option), qPrintable(option));
}

QTEST_GUILESS_MAIN(CliDiffTest)
#include "tst_cli_diff.moc"
