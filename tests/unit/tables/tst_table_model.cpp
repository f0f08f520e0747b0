// The table model, the cell codec and the table files on the worked examples.
#include "injection_tables.h"
#include "languages.h"
#include "sample_vote.h"
#include "table_codec.h"
#include "table_file.h"
#include "text_file.h"

#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(TableKind)
Q_DECLARE_METATYPE(TableUnit)

namespace {

// Both tables filled with value, water active, in the given unit, injection-time labels.
void prepare(InjectionTables& t, QChar separator, TableKind kind, TableUnit unit,
             const QString& value = QStringLiteral("2")) {
    t.setFormat(DecimalFormat(separator));
    t.setUp(CorrectionBasis::InjectionTime);
    QStringList cells;
    for (int i = 0; i < kTableCells; ++i)
        cells << value;
    t.loadCells(TableKind::Water, cells);
    t.loadCells(TableKind::Fuel, cells);
    t.setUnit(unit);
    t.refresh(kind);
}

} // namespace

class TableModelTest : public QObject {
    Q_OBJECT
private slots:
    void commit_data();
    void commit();
    void notANumberLeavesTheTable();
    void refreshClampsAndShowsUnits_data();
    void refreshClampsAndShowsUnits();
    void enterWalk_data();
    void enterWalk();
    void vote_data();
    void vote();
    void codec_data();
    void codec();
    void fileRoundTrip();
    void fileRefusals_data();
    void fileRefusals();
    void suffix_data();
    void suffix();
};

void TableModelTest::commit_data() {
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<TableKind>("kind");
    QTest::addColumn<TableUnit>("unit");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("dataAfter");
    QTest::addColumn<QString>("viewAfter");
    const auto A = TableUnit::Absolute;
    const auto P = TableUnit::Percent;
    const auto W = TableKind::Water;
    const auto F = TableKind::Fuel;
    QTest::newRow("empty -> 0,01") << QChar(u',') << W << A << 1 << ""
                                   << "0,01"
                                   << "0,01";
    QTest::newRow("30 -> 25,5") << QChar(u',') << W << A << 1 << "30"
                                << "25,5"
                                << "25,5";
    QTest::newRow("0 -> 0,01") << QChar(u',') << F << A << 1 << "0"
                               << "0,01"
                               << "0,01";
    QTest::newRow("-4 -> 0,01") << QChar(u',') << F << A << 1 << "-4"
                                << "0,01"
                                << "0,01";
    QTest::newRow("1.234 comma") << QChar(u',') << W << A << 3 << "1.234"
                                 << "1,23"
                                 << "1,23";
    QTest::newRow("1,234 point") << QChar(u'.') << W << A << 3 << "1,234"
                                 << "1.23"
                                 << "1.23";
    QTest::newRow("1.225 half even") << QChar(u'.') << W << A << 3 << "1.225"
                                     << "1.22"
                                     << "1.22";
    QTest::newRow("1.235 half even") << QChar(u'.') << W << A << 3 << "1.235"
                                     << "1.24"
                                     << "1.24";
    QTest::newRow("blanks") << QChar(u',') << W << A << 3 << " 2,5 "
                            << "2,5"
                            << "2,5";
    QTest::newRow("fuel 20% -> 50% of 3,2") << QChar(u',') << F << P << 2 << "20"
                                            << "1,6"
                                            << "50";
    QTest::newRow("fuel empty -> 50%") << QChar(u',') << F << P << 2 << ""
                                       << "1,6"
                                       << "50";
    QTest::newRow("water 2% -> 5% of 3,2") << QChar(u',') << W << P << 2 << "2"
                                           << "0,16"
                                           << "5";
    QTest::newRow("water 300% -> 200%") << QChar(u',') << W << P << 1 << "300"
                                        << "0,2"
                                        << "200";
    QTest::newRow("flow edit discarded") << QChar(u',') << F << TableUnit::Flow << 1 << "999"
                                         << "2"
                                         << "960";
}

void TableModelTest::commit() {
    QFETCH(QChar, separator);
    QFETCH(TableKind, kind);
    QFETCH(TableUnit, unit);
    QFETCH(int, row);
    QFETCH(QString, typed);
    InjectionTables t;
    t.setFlowText(kind, QStringLiteral("200"));
    prepare(t, separator, kind, unit);
    QVERIFY(!t.commit({4, row}, typed));
    QTEST(t.data(kind).cell(4, row), "dataAfter");
    QTEST(t.view().cell(4, row), "viewAfter");
    // Nothing else moved.
    QCOMPARE(t.data(kind).cell(5, row), QStringLiteral("2"));
}

void TableModelTest::notANumberLeavesTheTable() {
    InjectionTables t;
    prepare(t, u',', TableKind::Water, TableUnit::Absolute);
    const TableGrid before = t.data(TableKind::Water);
    const auto refusal = t.commit({2, 2}, QStringLiteral("1.2.3"));
    QVERIFY(refusal);
    QCOMPARE(refusal->key, QLatin1String(table_messages::NotANumber));
    QCOMPARE(refusal->args, QStringList{QStringLiteral("1,2.3")});
    QVERIFY(t.data(TableKind::Water) == before);
    QCOMPARE(t.view().cell(2, 2), QStringLiteral("1,2.3"));
    t.refreshActive();
    QCOMPARE(t.view().cell(2, 2), QStringLiteral("2"));
}

void TableModelTest::refreshClampsAndShowsUnits_data() {
    QTest::addColumn<TableKind>("kind");
    QTest::addColumn<TableUnit>("unit");
    QTest::addColumn<QString>("flow");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("viewShown");
    QTest::addColumn<QString>("dataAfter");
    const auto F = TableKind::Fuel;
    QTest::newRow("abs 30 kept as 25,5") << F << TableUnit::Absolute << "" << 1 << 2 << "30"
                                         << "25,5"
                                         << "25,5";
    QTest::newRow("abs rounds view only") << F << TableUnit::Absolute << "" << 1 << 2 << "2,567"
                                          << "2,57"
                                          << "2,567";
    QTest::newRow("percent 1,6 at 3,2") << F << TableUnit::Percent << "" << 1 << 2 << "1,6"
                                        << "50"
                                        << "1,6";
    QTest::newRow("percent 0,1 at 0,1") << F << TableUnit::Percent << "" << 1 << 1 << "0,1"
                                        << "100"
                                        << "0,1";
    QTest::newRow("flow 200 x 2,5 col 4") << F << TableUnit::Flow << "200" << 4 << 1 << "2,5"
                                          << "1200"
                                          << "2,5";
    QTest::newRow("flow keeps 30") << F << TableUnit::Flow << "200" << 8 << 1 << "30"
                                   << "120000"
                                   << "30";
    QTest::newRow("flow rounded to 0,01") << F << TableUnit::Flow << "200" << 1 << 1 << "1,4"
                                          << "375,17"
                                          << "1,4";
    QTest::newRow("flow empty keeps view")
        << TableKind::Water << TableUnit::Flow << "" << 4 << 1 << "2,5"
        << "2,5"
        << "2,5";
}

void TableModelTest::refreshClampsAndShowsUnits() {
    QFETCH(TableKind, kind);
    QFETCH(TableUnit, unit);
    QFETCH(QString, flow);
    QFETCH(int, column);
    QFETCH(int, row);
    QFETCH(QString, data);
    InjectionTables t;
    t.setFormat(DecimalFormat(u','));
    t.setUp(CorrectionBasis::InjectionTime);
    QStringList cells(kTableCells, QStringLiteral("1"));
    cells[(row - 1) * kTableColumns + column - 1] = data;
    t.loadCells(kind, cells);
    t.setFlowText(kind, flow);
    t.setUnit(unit);
    t.refresh(kind);
    QTEST(t.view().cell(column, row), "viewShown");
    QTEST(t.data(kind).cell(column, row), "dataAfter");
}

void TableModelTest::enterWalk_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("nextColumn");
    QTest::addColumn<int>("nextRow");
    QTest::newRow("down") << 1 << 1 << 1 << 2;
    QTest::newRow("bottom -> next column top") << 3 << 8 << 4 << 1;
    QTest::newRow("bottom right wraps") << 8 << 8 << 1 << 1;
}

void TableModelTest::enterWalk() {
    QFETCH(int, column);
    QFETCH(int, row);
    const CellPosition next = EnterWalk({column, row});
    QTEST(next.column, "nextColumn");
    QTEST(next.row, "nextRow");
}

void TableModelTest::vote_data() {
    QTest::addColumn<QList<double>>("samples");
    QTest::addColumn<double>("result");
    QTest::newRow("ties at 4") << QList<double>{2.5, 2.6, 2.6, 2.5, 2.5, 2.5} << 2.5;
    QTest::newRow("most frequent, not the last rise")
        << QList<double>{2.5, 2.5, 2.5, 2.7, 2.6, 2.6} << 2.5;
    QTest::newRow("tie: first seen") << QList<double>{2.6, 2.6, 2.5, 2.5, 0.1, 0.2} << 2.6;
}

void TableModelTest::vote() {
    QFETCH(QList<double>, samples);
    QTEST(SampleVote::Vote(samples), "result");
}

void TableModelTest::codec_data() {
    QTest::addColumn<TableKind>("kind");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("write");
    QTest::addColumn<QString>("read");
    QTest::addColumn<int>("address");
    const auto W = TableKind::Water;
    const auto F = TableKind::Fuel;
    QTest::newRow("2.6 at water 1,1") << W << 1 << 1 << 2.6 << "A1F8)"
                                      << "F8*" << 0x8F;
    QTest::newRow("water 2,1") << W << 2 << 1 << 2.6 << "A1E8)"
                               << "E8*" << 0x8E;
    QTest::newRow("fuel 1,1") << F << 1 << 1 << 0.1 << "1078)"
                              << "78*" << 0x87;
    QTest::newRow("fuel 8,8 max") << F << 8 << 8 << 25.5 << "FF0F)"
                                  << "0F*" << 0xF0;
    QTest::newRow("30 clamped") << W << 8 << 8 << 30.0 << "FF8F)"
                                << "8F*" << 0xF8;
    QTest::newRow("-1 clamped") << W << 1 << 8 << -1.0 << "00FF)"
                                << "FF*" << 0xFF;
    QTest::newRow("0.25 half even") << W << 1 << 1 << 0.25 << "20F8)"
                                    << "F8*" << 0x8F;
    QTest::newRow("0.35 half even") << W << 1 << 1 << 0.35 << "40F8)"
                                    << "F8*" << 0x8F;
}

void TableModelTest::codec() {
    QFETCH(TableKind, kind);
    QFETCH(int, column);
    QFETCH(int, row);
    QFETCH(double, value);
    QTEST(WriteCellCommand(kind, column, row, EncodeCell(value)), "write");
    QTEST(ReadCellCommand(kind, column, row), "read");
    QTEST(CellEepromAddress(kind, column, row), "address");
    QCOMPARE(DecodeCell(0x1A), 2.6);
}

void TableModelTest::fileRoundTrip() {
    QTemporaryDir dir;
    InjectionTables saved;
    prepare(saved, u',', TableKind::Water, TableUnit::Absolute, QStringLiteral("1,5"));
    saved.commit({1, 2}, QStringLiteral("30"));
    const QString path = dir.filePath(TableFileName(TableKind::Water, QStringLiteral("test")));
    QVERIFY(path.endsWith(QLatin1String("testMAF.txt")));
    QVERIFY(!WriteTableFile(path, saved.data(TableKind::Water).cells()));
    QFile raw(path);
    QVERIFY(raw.open(QIODevice::ReadOnly));
    const QByteArray bytes = raw.readAll();
    QVERIFY(bytes.startsWith("1,5\r\n1,5\r\n"));
    QCOMPARE(bytes.count("\r\n"), 64);

    // Opened on a point system.
    const TableFileContent content = ReadTableFile(path, DecimalFormat(u'.'));
    QVERIFY(content.ok());
    QCOMPARE(content.cells.at(0), QStringLiteral("1.5"));
    QCOMPARE(content.cells.at(8), QStringLiteral("25.5"));
}

void TableModelTest::fileRefusals_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("line");
    QStringList good(kTableCells, QStringLiteral("2,5"));
    QStringList ten = good.mid(0, 10);
    QStringList word = good;
    word[40] = QStringLiteral("abc");
    QStringList blank = good;
    blank[63] = QString();
    QTest::newRow("10 lines") << ten << table_messages::FileLineCount << "10";
    QTest::newRow("line 41 not a number") << word << table_messages::FileLine << "41";
    QTest::newRow("line 64 empty") << blank << table_messages::FileLine << "64";
}

void TableModelTest::fileRefusals() {
    QFETCH(QStringList, lines);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("badMAF.txt"));
    QVERIFY(WriteTextFile(path, lines).isEmpty());
    const TableFileContent content = ReadTableFile(path, DecimalFormat(u','));
    QVERIFY(!content.ok());
    QVERIFY(content.cells.isEmpty());
    QTEST(content.error->key, "key");
    QVERIFY(content.error->args.at(0).contains(QLatin1String("badMAF.txt")));
    QTEST(content.error->args.at(1), "line");
    QVERIFY(EnglishText(*content.error).contains(QLatin1String("badMAF.txt")));
}

void TableModelTest::suffix_data() {
    QTest::addColumn<TableKind>("kind");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("saved");
    QTest::newRow("water") << TableKind::Water << "test"
                           << "testMAF.txt";
    QTest::newRow("fuel") << TableKind::Fuel << "test"
                          << "testLambda.txt";
    QTest::newRow("not doubled") << TableKind::Water << "aMAF.txt"
                                 << "aMAF.txt";
}

void TableModelTest::suffix() {
    QFETCH(TableKind, kind);
    QFETCH(QString, chosen);
    QTEST(TableFileName(kind, chosen), "saved");
}

QTEST_GUILESS_MAIN(TableModelTest)
#include "tst_table_model.moc"
