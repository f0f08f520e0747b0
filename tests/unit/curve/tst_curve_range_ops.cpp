// Range operations, copy and paste, compare and undo snapshots of the emulation curve.
#include "curve_range_ops.h"

#include <QSignalSpy>
#include <QTest>

using namespace curve;

Q_DECLARE_METATYPE(curve::PointOperation)
Q_DECLARE_METATYPE(curve::PointRange)
Q_DECLARE_METATYPE(curve::Message)

namespace {

// All points "1" but those of changes, "point text; ...".
void prepare(CurveModel& model, const QString& changes) {
    model.setFormat(DecimalFormat(QLatin1Char(',')));
    QStringList texts(kPointCount, QStringLiteral("1"));
    for (const QString& item : changes.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList p = item.simplified().split(QLatin1Char(' '));
        texts[p.at(0).toInt()] = p.at(1);
    }
    model.load(texts);
}

void check(const CurveModel& model, const QString& expected) {
    for (const QString& item : expected.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList p = item.simplified().split(QLatin1Char(' '));
        const int point = p.at(0).toInt();
        QCOMPARE(model.text(point), p.at(1));
        // The committed value is what the chart's curve series draws.
        QCOMPARE(model.values().at(point), model.format().parse(p.at(1)).value());
    }
}

} // namespace

class TestCurveRangeOps : public QObject {
    Q_OBJECT
private slots:
    void operations_data();
    void operations();
    void copy();
    void paste_data();
    void paste();
    void refusedPastesChangeNothing_data();
    void refusedPastesChangeNothing();
    void compare();
    void snapshotUndoesAFileLoad();
};

void TestCurveRangeOps::operations_data() {
    QTest::addColumn<QString>("points");
    QTest::addColumn<PointRange>("range");
    QTest::addColumn<PointOperation>("operation");
    QTest::addColumn<double>("argument");
    QTest::addColumn<QString>("expected");
    QTest::newRow("set, limited to 5 like a typed 6")
        << "" << PointRange{3, 4} << PointOperation::Set << 6.0 << "3 5; 4 5; 5 1";
    QTest::newRow("add, limited to 0")
        << "0 0,3" << PointRange{0, 1} << PointOperation::Add << -0.5 << "0 0; 1 0,5; 2 1";
    QTest::newRow("scale 110 percent")
        << "7 2" << PointRange{7, 8} << PointOperation::Scale << 110.0 << "7 2,2; 8 1,1";
    QTest::newRow("interpolate") << "10 1; 14 3" << PointRange{10, 14}
                                 << PointOperation::Interpolate << 0.0
                                 << "10 1; 11 1,5; 12 2; 13 2,5; 14 3";
    QTest::newRow("interpolate rounds to hundredths")
        << "20 0; 23 1" << PointRange{20, 23} << PointOperation::Interpolate << 0.0
        << "21 0,33; 22 0,67; 23 1";
    // The first point has one neighbour: (3 + 0) / 2.
    QTest::newRow("smooth the first point")
        << "0 3; 1 0" << PointRange{0, 0} << PointOperation::Smooth << 0.0 << "0 1,5; 1 0";
    QTest::newRow("smooth reads the values before the operation")
        << "62 4" << PointRange{62, 63} << PointOperation::Smooth << 0.0 << "62 2; 63 2,5";
}

void TestCurveRangeOps::operations() {
    QFETCH(QString, points);
    QFETCH(PointRange, range);
    QFETCH(PointOperation, operation);
    QFETCH(double, argument);
    QFETCH(QString, expected);
    CurveModel model;
    prepare(model, points);
    QSignalSpy redraws(&model, &CurveModel::seriesChanged);
    QCOMPARE(ApplyPoints(model, range, operation, argument), Message{});
    QCOMPARE(redraws.count(), 1);
    check(model, expected);
}

void TestCurveRangeOps::copy() {
    CurveModel model;
    prepare(model, "5 2,56; 6 0");
    QCOMPARE(CopyPoints(model, {4, 6}), QStringLiteral("1\n2,56\n0\n"));
}

void TestCurveRangeOps::paste_data() {
    QTest::addColumn<PointRange>("selection");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("a column with comma and point separators")
        << PointRange{5, 5} << "1,5\r\n2.25\r\n7\r\n"
        << "5 1,5; 6 2,25; 7 5; 8 1";
    QTest::newRow("one value fills the selection") << PointRange{60, 63} << "0,4"
                                                   << "59 1; 60 0,4; 61 0,4; 62 0,4; 63 0,4";
}

void TestCurveRangeOps::paste() {
    QFETCH(PointRange, selection);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    CurveModel model;
    prepare(model, {});
    QCOMPARE(PastePoints(model, selection, text), Message{});
    check(model, expected);
}

void TestCurveRangeOps::refusedPastesChangeNothing_data() {
    QTest::addColumn<PointRange>("selection");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Message>("error");
    QTest::newRow("past the last point")
        << PointRange{63, 63} << "1\n2" << MakeMessage(kMsgPasteTooLong, {"2"});
    QTest::newRow("two columns") << PointRange{0, 0} << "1\n2\t3"
                                 << MakeMessage(kMsgPasteShape, {"2"});
    QTest::newRow("a word") << PointRange{0, 0} << "1\nlean"
                            << MakeMessage(kMsgPasteNotNumber, {"2", "lean"});
    QTest::newRow("nothing") << PointRange{0, 0} << "" << MakeMessage(kMsgPasteEmpty);
}

void TestCurveRangeOps::refusedPastesChangeNothing() {
    QFETCH(PointRange, selection);
    QFETCH(QString, text);
    QFETCH(Message, error);
    CurveModel model;
    prepare(model, "0 2");
    const CurveSnapshot before = TakeSnapshot(model);
    QCOMPARE(PastePoints(model, selection, text), error);
    QCOMPARE(TakeSnapshot(model), before);
}

void TestCurveRangeOps::compare() {
    const DecimalFormat format(QLatin1Char(','));
    QStringList a(kPointCount, QStringLiteral("1"));
    QStringList b = a;
    a[3] = QStringLiteral("2,50");
    b[3] = QStringLiteral("2.5");
    b[40] = QStringLiteral("1,02");
    const auto differences = ComparePoints(a, b, format);
    QCOMPARE(differences.size(), 1);
    QCOMPARE(differences.first(), (PointDifference{40, "1", "1,02"}));
}

void TestCurveRangeOps::snapshotUndoesAFileLoad() {
    CurveModel model;
    prepare(model, "9 3,3");
    model.step(9, +1);
    const CurveSnapshot before = TakeSnapshot(model);
    model.load(QStringList(kPointCount, QStringLiteral("4")));
    QSignalSpy texts(&model, &CurveModel::textChanged);
    RestoreSnapshot(model, before);
    QCOMPARE(TakeSnapshot(model), before);
    QCOMPARE(texts.count(), kPointCount);
}

QTEST_APPLESS_MAIN(TestCurveRangeOps)
#include "tst_curve_range_ops.moc"
