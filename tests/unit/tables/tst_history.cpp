// The history folder: copies in the ordinary file format, newest first, bounded; a table copy
// reopened and compared.
#include "history_folder.h"
#include "table_file.h"
#include "table_range_ops.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class HistoryTest : public QObject {
    Q_OBJECT
private slots:
    void aTableCopyReopensAndCompares();
    void newestFirstAndBounded();
    void copiesInTheSameMillisecondAreKept();
};

void HistoryTest::aTableCopyReopensAndCompares() {
    QTemporaryDir dir;
    const HistoryFolder history(dir.filePath(QStringLiteral("History")));
    const DecimalFormat format(QLatin1Char(','));
    QStringList cells(kTableCells, QStringLiteral("2,5"));
    cells[9] = QStringLiteral("3,1");
    const QDateTime when(QDate(2026, 3, 1), QTime(9, 15, 30, 250));
    QCOMPARE(history.store(QStringLiteral("water"), QStringLiteral("read"),
                           TableFileSuffix(TableKind::Water), cells, when),
             QString());
    const QList<HistoryEntry> entries = history.entries(QStringLiteral("water"));
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries.first().time, when);
    QCOMPARE(entries.first().what, QStringLiteral("read"));
    QVERIFY(entries.first().path.endsWith(QStringLiteral("/History/water/"
                                                         "2026-03-01_09-15-30-250_readMAF.txt")));

    const TableFileContent reopened = ReadTableFile(entries.first().path, format);
    QVERIFY(reopened.ok());
    QVERIFY(CompareTables(reopened.cells, cells, format).isEmpty());
    cells[9] = QStringLiteral("3");
    QCOMPARE(CompareTables(reopened.cells, cells, format),
             (QVector<CellDifference>{{{2, 2}, "3,1", "3"}}));
}

void HistoryTest::newestFirstAndBounded() {
    QTemporaryDir dir;
    const HistoryFolder history(dir.filePath(QStringLiteral("History")));
    const QDateTime start(QDate(2026, 1, 1), QTime(0, 0));
    for (int i = 0; i < kHistoryLimit + 3; ++i)
        QCOMPARE(history.store(QStringLiteral("curve"),
                               i % 2 ? QStringLiteral("write") : QStringLiteral("read"),
                               QStringLiteral("Emu.txt"), {QString::number(i)},
                               start.addSecs(i * 61)),
                 QString());
    QCOMPARE(history.store(QStringLiteral("dump"), QStringLiteral("dump"), QStringLiteral(".mmr2"),
                           {QStringLiteral("x")}, start),
             QString());
    const QList<HistoryEntry> entries = history.entries(QStringLiteral("curve"));
    QCOMPARE(entries.size(), kHistoryLimit);
    QCOMPARE(entries.first().time, start.addSecs((kHistoryLimit + 2) * 61));
    QCOMPARE(entries.first().what, QStringLiteral("read"));
    QCOMPARE(entries.last().time, start.addSecs(3 * 61)); // the three oldest are gone
    QCOMPARE(history.entries(QStringLiteral("dump")).size(), 1);
}

void HistoryTest::copiesInTheSameMillisecondAreKept() {
    QTemporaryDir dir;
    const HistoryFolder history(dir.filePath(QStringLiteral("History")));
    const QDateTime when(QDate(2026, 5, 5), QTime(5, 5, 5, 5));
    for (int i = 0; i < 3; ++i)
        QCOMPARE(history.store(QStringLiteral("fuel"), QStringLiteral("write"),
                               QStringLiteral("Lambda.txt"), {QString::number(i)}, when),
                 QString());
    const QList<HistoryEntry> entries = history.entries(QStringLiteral("fuel"));
    QCOMPARE(entries.size(), 3);
    for (const HistoryEntry& e : entries) {
        QCOMPARE(e.what, QStringLiteral("write"));
        QVERIFY(e.path.endsWith(QStringLiteral("Lambda.txt")));
    }
}

QTEST_APPLESS_MAIN(HistoryTest)
#include "tst_history.moc"
