// Range operations, copy and paste, compare and undo snapshots of the injection tables.
#include "injection_tables.h"
#include "table_range_ops.h"

#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(TableKind)
Q_DECLARE_METATYPE(TableUnit)
Q_DECLARE_METATYPE(RangeOperation)
Q_DECLARE_METATYPE(CellRange)

namespace {

// 64 texts of base, with the cells "column row text; ..." of changes put in (texts use a comma).
QStringList cellsWith(const QString& changes, const QString& base = QStringLiteral("2")) {
    QStringList cells(kTableCells, base);
    for (const QString& item : changes.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList p = item.simplified().split(QLatin1Char(' '));
        cells[(p.at(1).toInt() - 1) * kTableColumns + p.at(0).toInt() - 1] = p.at(2);
    }
    return cells;
}

// Water and fuel filled, injection-time labels, comma separator, the given table active.
void prepare(InjectionTables& t, TableKind kind, TableUnit unit, const QStringList& cells) {
    t.setFormat(DecimalFormat(QLatin1Char(',')));
    t.setUp(CorrectionBasis::InjectionTime);
    t.loadCells(TableKind::Water, cells);
    t.loadCells(TableKind::Fuel, cells);
    t.setUnit(unit);
    t.refresh(kind);
}

} // namespace

class TableRangeOpsTest : public QObject {
    Q_OBJECT
private slots:
    void operations_data();
    void operations();
    void refusedOperationsChangeNothing_data();
    void refusedOperationsChangeNothing();
    void oneViewRefreshPerOperation();
    void copy();
    void paste_data();
    void paste();
    void refusedPastesChangeNothing_data();
    void refusedPastesChangeNothing();
    void compare();
    void snapshotUndoesAFileLoad();
};

void TableRangeOpsTest::operations_data() {
    QTest::addColumn<TableKind>("kind");
    QTest::addColumn<TableUnit>("unit");
    QTest::addColumn<QString>("cells");
    QTest::addColumn<CellRange>("range");
    QTest::addColumn<RangeOperation>("operation");
    QTest::addColumn<double>("argument");
    QTest::addColumn<QString>("expected"); // data cells afterwards, "column row text; ..."

    const auto W = TableKind::Water;
    const auto F = TableKind::Fuel;
    const auto Abs = TableUnit::Absolute;
    const auto Perc = TableUnit::Percent;
    QTest::newRow("set, clamped like a typed 30")
        << W << Abs << "" << CellRange{2, 2, 3, 3} << RangeOperation::Set << 30.0
        << "2 2 25,5; 3 2 25,5; 2 3 25,5; 3 3 25,5; 1 1 2; 4 4 2";
    QTest::newRow("add a negative value, floor 0,01")
        << W << Abs << "1 1 1,5; 2 1 0,5" << CellRange{1, 1, 2, 1} << RangeOperation::Add << -1.0
        << "1 1 0,5; 2 1 0,01; 3 1 2";
    QTest::newRow("scale 110 percent, rounded to hundredths")
        << W << Abs << "1 1 1,5; 1 2 1,55" << CellRange{1, 1, 1, 2} << RangeOperation::Scale
        << 110.0 << "1 1 1,65; 1 2 1,7";
    QTest::newRow("x 100 % in percent is the identity, unrounded texts kept")
        << F << Perc << "1 1 1,5; 1 2 1,234" << CellRange{1, 1, 1, 2} << RangeOperation::Scale
        << 100.0 << "1 1 1,5; 1 2 1,234";
    QTest::newRow("set in percent of the row's time, limited to the stored range")
        << W << Perc << "" << CellRange{1, 2, 2, 2} << RangeOperation::Set << 0.1 << "1 2 0,01";
    QTest::newRow("interpolate along a row")
        << W << Abs << "1 1 1; 8 1 8" << CellRange{1, 1, 8, 1} << RangeOperation::InterpolateRows
        << 0.0 << "1 1 1; 2 1 2; 3 1 3; 4 1 4; 5 1 5; 6 1 6; 7 1 7; 8 1 8";
    QTest::newRow("interpolate along columns")
        << W << Abs << "3 2 1; 3 5 2,5; 4 2 4; 4 5 1" << CellRange{3, 2, 4, 5}
        << RangeOperation::InterpolateColumns << 0.0
        << "3 2 1; 3 3 1,5; 3 4 2; 3 5 2,5; 4 2 4; 4 3 3; 4 4 2; 4 5 1";
    QTest::newRow("bilinear from the four corners of a 3 x 3 selection")
        << W << Abs << "2 2 1; 4 2 2; 2 4 3; 4 4 4" << CellRange{2, 2, 4, 4}
        << RangeOperation::InterpolateBilinear << 0.0
        << "2 2 1; 3 2 1,5; 4 2 2; 2 3 2; 3 3 2,5; 4 3 3; 2 4 3; 3 4 3,5; 4 4 4";
    QTest::newRow("bilinear on a 2 x 2 selection keeps its corners")
        << W << Abs << "5 5 1; 6 5 2; 5 6 3; 6 6 4" << CellRange{5, 5, 6, 6}
        << RangeOperation::InterpolateBilinear << 0.0 << "5 5 1; 6 5 2; 5 6 3; 6 6 4";
    // The corner cell has three neighbours in the table: (1 + 2 + 3 + 6) / 4 = 3.
    QTest::newRow("smooth a corner cell")
        << W << Abs << "1 1 1; 2 1 2; 1 2 3; 2 2 6" << CellRange{1, 1, 1, 1}
        << RangeOperation::Smooth << 0.0 << "1 1 3; 2 1 2; 1 2 3; 2 2 6";
    // An edge cell averages six cells: (8 + 2 * 5) / 6 = 3.
    QTest::newRow("smooth an edge cell reads the values before the operation")
        << W << Abs << "1 4 8" << CellRange{1, 4, 1, 5} << RangeOperation::Smooth << 0.0
        << "1 4 3; 1 5 3";
}

void TableRangeOpsTest::operations() {
    QFETCH(TableKind, kind);
    QFETCH(TableUnit, unit);
    QFETCH(QString, cells);
    QFETCH(CellRange, range);
    QFETCH(RangeOperation, operation);
    QFETCH(double, argument);
    QFETCH(QString, expected);

    InjectionTables t;
    prepare(t, kind, unit, cellsWith(cells));
    QCOMPARE(ApplyRange(t, range, operation, argument), std::nullopt);
    for (const QString& item : expected.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList p = item.simplified().split(QLatin1Char(' '));
        const CellPosition cell{p.at(0).toInt(), p.at(1).toInt()};
        const double want = DecimalFormat(QLatin1Char(',')).parse(p.at(2)).value();
        const double got = t.format().parse(t.data(kind).cell(cell)).value();
        QVERIFY2(qAbs(got - want) < 1e-9,
                 qPrintable(item + QStringLiteral(" got ") + t.data(kind).cell(cell)));
    }
    QCOMPARE(t.active(), kind);
}

void TableRangeOpsTest::refusedOperationsChangeNothing_data() {
    QTest::addColumn<TableUnit>("unit");
    QTest::addColumn<QString>("cells");
    QTest::addColumn<QString>("key");
    QTest::newRow("flow unit") << TableUnit::Flow << ""
                               << "Msg_Table_RangeFlowUnit";
    QTest::newRow("a cell that is not a number") << TableUnit::Absolute << "2 2 abc"
                                                 << "Msg_Table_RangeNotANumber";
}

void TableRangeOpsTest::refusedOperationsChangeNothing() {
    QFETCH(TableUnit, unit);
    QFETCH(QString, cells);
    QFETCH(QString, key);
    InjectionTables t;
    t.setFormat(DecimalFormat(QLatin1Char(',')));
    t.setUp(CorrectionBasis::InjectionTime);
    t.loadCells(TableKind::Water, cellsWith(cells));
    t.setFlowText(TableKind::Water, QStringLiteral("200"));
    t.setUnit(unit);
    t.refresh(TableKind::Water);
    // loadCells over the refreshed view: the text that is not a number stays visible.
    t.loadCells(TableKind::Water, cellsWith(cells));
    const TableGrid before = t.data(TableKind::Water);
    const auto error = ApplyRange(t, {1, 1, 3, 3}, RangeOperation::Add, 1);
    QVERIFY(error);
    QCOMPARE(error->key, key);
    QCOMPARE(t.data(TableKind::Water), before);
}

void TableRangeOpsTest::oneViewRefreshPerOperation() {
    InjectionTables t;
    prepare(t, TableKind::Water, TableUnit::Absolute, cellsWith({}));
    QSignalSpy refreshed(&t, &InjectionTables::viewChanged);
    QCOMPARE(ApplyRange(t, {1, 1, 8, 8}, RangeOperation::Add, 0.5), std::nullopt);
    QCOMPARE(refreshed.count(), 1);
    QCOMPARE(t.view().cell(8, 8), QStringLiteral("2,5"));
}

void TableRangeOpsTest::copy() {
    InjectionTables t;
    prepare(t, TableKind::Fuel, TableUnit::Absolute, cellsWith("2 1 1,25; 3 2 7"));
    QCOMPARE(CopyRange(t.view(), {2, 1, 3, 2}), QStringLiteral("1,25\t2\n2\t7\n"));
}

void TableRangeOpsTest::paste_data() {
    QTest::addColumn<CellRange>("selection");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("a block with the comma separator, CR LF")
        << CellRange{2, 2, 2, 2} << "1,5\t2,25\r\n3\t4,125\r\n"
        << "2 2 1,5; 3 2 2,25; 2 3 3; 3 3 4,12; 4 4 2";
    QTest::newRow("a spreadsheet's point on a comma system") << CellRange{1, 1, 1, 1} << "0.5\t40"
                                                             << "1 1 0,5; 2 1 25,5";
    QTest::newRow("one value fills the selection") << CellRange{7, 7, 8, 8} << "3,3\n"
                                                   << "7 7 3,3; 8 7 3,3; 7 8 3,3; 8 8 3,3; 6 6 2";
    QTest::newRow("a block that just fits at the bottom right") << CellRange{7, 8, 7, 8} << "1\t1,1"
                                                                << "7 8 1; 8 8 1,1";
}

void TableRangeOpsTest::paste() {
    QFETCH(CellRange, selection);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    InjectionTables t;
    prepare(t, TableKind::Water, TableUnit::Absolute, cellsWith({}));
    QCOMPARE(PasteRange(t, selection, text), std::nullopt);
    for (const QString& item : expected.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList p = item.simplified().split(QLatin1Char(' '));
        QCOMPARE(t.data(TableKind::Water).cell(p.at(0).toInt(), p.at(1).toInt()), p.at(2));
    }
}

void TableRangeOpsTest::refusedPastesChangeNothing_data() {
    QTest::addColumn<CellRange>("selection");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("args");
    QTest::newRow("too large from here") << CellRange{8, 7, 8, 7} << "1\t2\n3\t4"
                                         << "Msg_Table_PasteTooLarge" << QStringList{"2", "2"};
    QTest::newRow("a word in the second line")
        << CellRange{1, 1, 1, 1} << "1\t2\n3\tfast"
        << "Msg_Table_PasteNotANumber" << QStringList{"2", "2", "fast"};
    QTest::newRow("an empty field") << CellRange{1, 1, 1, 1} << "1\t\t2"
                                    << "Msg_Table_PasteNotANumber" << QStringList{"1", "2", ""};
    QTest::newRow("ragged") << CellRange{1, 1, 1, 1} << "1\t2\n3"
                            << "Msg_Table_PasteRagged" << QStringList{"2"};
    QTest::newRow("nothing") << CellRange{1, 1, 1, 1} << "\r\n"
                             << "Msg_Table_PasteEmpty" << QStringList{};
}

void TableRangeOpsTest::refusedPastesChangeNothing() {
    QFETCH(CellRange, selection);
    QFETCH(QString, text);
    QFETCH(QString, key);
    QFETCH(QStringList, args);
    InjectionTables t;
    prepare(t, TableKind::Water, TableUnit::Absolute, cellsWith({}));
    const TableGrid before = t.data(TableKind::Water);
    const auto error = PasteRange(t, selection, text);
    QCOMPARE(error, (Message{key, args}));
    QCOMPARE(t.data(TableKind::Water), before);
}

void TableRangeOpsTest::compare() {
    const DecimalFormat format(QLatin1Char(','));
    const auto differences = CompareTables(cellsWith("3 1 2,0; 5 2 2,5; 8 8 x"),
                                           cellsWith("5 2 2.6; 8 8 x; 1 8 3"), format);
    QCOMPARE(differences.size(), 2);
    QCOMPARE(differences.at(0), (CellDifference{{5, 2}, "2,5", "2.6"}));
    QCOMPARE(differences.at(1), (CellDifference{{1, 8}, "2", "3"}));
}

void TableRangeOpsTest::snapshotUndoesAFileLoad() {
    InjectionTables t;
    prepare(t, TableKind::Water, TableUnit::Percent, cellsWith("4 4 7,5"));
    const TableSnapshot before = TakeSnapshot(t, TableKind::Water);
    const TableGrid viewBefore = t.view();
    t.loadCells(TableKind::Water, cellsWith({}, QStringLiteral("9")));
    t.refreshActive();
    RestoreSnapshot(t, before);
    QCOMPARE(TakeSnapshot(t, TableKind::Water), before);
    QCOMPARE(t.view(), viewBefore);
    QCOMPARE(t.unit(), TableUnit::Percent);
}

QTEST_APPLESS_MAIN(TableRangeOpsTest)
#include "tst_table_range_ops.moc"
