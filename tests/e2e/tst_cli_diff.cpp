// marvek2-cli diff on table, curve and dump files: the differences printed and the exit status.
#include "curve_file.h"
#include "dump_file.h"
#include "pty_rig.h"
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
    QTest::newRow("dumps with the setting of each address")
        << QStringList{"a.mmr2", "b.mmr2"} << 1
        << "EEPROM-1D: 00 | 5A  OPR\n"
           "EEPROM-37: 00 | 10  curve point 7\n"
           "EEPROM-7A: 00 | 41  module name, character 3\n"
           "EEPROM-8F: 00 | 19  water table column 1, row 1\n"
           "EEPROM-F0: 00 | 20  fuel table column 8, row 8\n"
           "5 differences\n";
    QTest::newRow("files of different kinds") << QStringList{"aEmu.txt", "a.mmr2"} << 2 << "";
    QTest::newRow("a missing file") << QStringList{"a.mmr2", "none.mmr2"} << 2 << "";
    QTest::newRow("a damaged dump") << QStringList{"a.mmr2", "bad.mmr2"} << 2 << "";
    QTest::newRow("one file only") << QStringList{"a.mmr2"} << 2 << "";
}

void CliDiffTest::diff() {
    QFETCH(QStringList, files);
    QFETCH(int, status);
    QFETCH(QString, output);
    QStringList args{QStringLiteral("diff")};
    for (const QString& f : files)
        args << path(f);
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

QTEST_GUILESS_MAIN(CliDiffTest)
#include "tst_cli_diff.moc"
