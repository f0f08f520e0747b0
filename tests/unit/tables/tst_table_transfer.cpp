// The table transfers' receive branches on scripted answers (the real line is covered over the
// pseudo-terminal).
#include "injection_tables.h"
#include "journal_sink.h"
#include "memory_port.h"
#include "table_transfer.h"
#include "transaction_engine.h"
#include "wire_codec.h"

#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(TableOperation)

namespace {

struct Rig {
    Rig() {
        port.OpenPort();
        engine.setAutomaticTicks(false);
        tables.setFormat(DecimalFormat(u','));
    }
    // Sends PendingCommand and answers it.
    void exchange(TableKind kind, TableOperation op, const QStringList& chunks) {
        transfer.transaction(kind, op).tick();
        for (const QString& c : chunks)
            port.feed(c);
    }
    MemoryPort port;
    StringListJournal journal;
    TransactionEngine engine{port, journal};
    InjectionTables tables;
    TableTransfer transfer{engine, tables};
};

} // namespace

class TableTransferTest : public QObject {
    Q_OBJECT
private slots:
    void plainReadAnswers_data();
    void plainReadAnswers();
    void badAnswersEndTheRead();
    void verifyRewritesADifferentCell();
    void refusedWhileBusyOrClosed();
    void cleanLineSequence_data();
    void cleanLineSequence();
};

void TableTransferTest::plainReadAnswers_data() {
    QTest::addColumn<QStringList>("chunks");
    QTest::addColumn<QString>("cell");    // water (1, 1) after the exchange
    QTest::addColumn<QString>("pending"); // the next command
    QTest::addColumn<int>("bad");
    QTest::newRow("A1 -> 2,6") << QStringList{"A1"} << "2,6"
                               << "E8*" << 0;
    QTest::newRow("split A|1") << QStringList{"A", "1"} << "2,6"
                               << "E8*" << 0;
    QTest::newRow("lower case") << QStringList{"a1"} << ""
                                << "F8*" << 1;
    QTest::newRow("first not hex: read again") << QStringList{"!"} << ""
                                               << "F8*" << 1;
    QTest::newRow("second not hex") << QStringList{"A?"} << ""
                                    << "F8*" << 1;
    QTest::newRow("a late answer with this one") << QStringList{"FEA1"} << ""
                                                 << "F8*" << 1;
}

void TableTransferTest::plainReadAnswers() {
    QFETCH(QStringList, chunks);
    Rig rig;
    QVERIFY(!rig.transfer.startRead(TableKind::Water, false));
    rig.exchange(TableKind::Water, TableOperation::Read, chunks);
    QTEST(rig.tables.data(TableKind::Water).cell(1, 1), "cell");
    QTEST(rig.engine.PendingCommand(), "pending");
    QTEST(rig.transfer.BadAnswerCount(), "bad");
}

void TableTransferTest::badAnswersEndTheRead() {
    Rig rig;
    QSignalSpy failed(&rig.transfer, &TableTransfer::failed);
    QSignalSpy unlock(&rig.transfer, &TableTransfer::unlockRequested);
    rig.transfer.setFailureTexts(QStringLiteral("Ошибка чтения таблицы воды"),
                                 QStringLiteral("Ошибка чтения таблицы топлива"));
    QVERIFY(!rig.transfer.startRead(TableKind::Fuel, false));
    QCOMPARE(rig.engine.progress(), 10);
    rig.exchange(TableKind::Fuel, TableOperation::Read, {"51"});
    for (int i = 0; i < TableTransfer::BadAnswerLimit; ++i)
        rig.exchange(TableKind::Fuel, TableOperation::Read, {"!"});
    QVERIFY(failed.isEmpty());
    QCOMPARE(rig.transfer.BadAnswerCount(), TableTransfer::BadAnswerLimit);
    rig.exchange(TableKind::Fuel, TableOperation::Read, {"!"});
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed.at(0).at(1).toInt(), 6);
    // The command panel part of that event's journal line names the failure.
    QVERIFY(rig.journal.lines().last().startsWith(QStringLiteral("Ошибка чтения таблицы топлива")));
    QCOMPARE(unlock.size(), 1);
    QVERIFY(!rig.transfer.isRunning());
    // The cell read before the failure keeps its value; the next one was never skipped.
    QCOMPARE(rig.tables.data(TableKind::Fuel).cell(1, 1), QStringLiteral("2,1"));
    QCOMPARE(rig.tables.data(TableKind::Fuel).cell(2, 1), QString());
}

void TableTransferTest::verifyRewritesADifferentCell() {
    Rig rig;
    QStringList cells(kTableCells, QStringLiteral("2,6"));
    cells[1] = QStringLiteral("40"); // from a file: clamped to 25.5 before encoding
    rig.tables.loadCells(TableKind::Water, cells);
    QVERIFY(!rig.transfer.startWrite(TableKind::Water));
    QCOMPARE(rig.engine.PendingCommand(), QStringLiteral("A1F8)"));
    for (int i = 0; i < kTableCells; ++i)
        rig.exchange(TableKind::Water, TableOperation::Write, {"!"});
    QCOMPARE(rig.port.writes.at(1), QStringLiteral("FFE8)"));
    QVERIFY(rig.transfer.verifyPass());
    QCOMPARE(rig.engine.PendingCommand(), QStringLiteral("F8*"));
    rig.exchange(TableKind::Water, TableOperation::Write, {"B1"});
    QCOMPARE(rig.engine.PendingCommand(), QStringLiteral("A1F8)"));
    rig.exchange(TableKind::Water, TableOperation::Write, {"!"});
    QCOMPARE(rig.engine.PendingCommand(), QStringLiteral("F8*"));
    QSignalSpy completed(&rig.transfer, &TableTransfer::completed);
    rig.exchange(TableKind::Water, TableOperation::Write, {"A1"});
    QCOMPARE(rig.engine.PendingCommand(), QStringLiteral("E8*"));
    rig.exchange(TableKind::Water, TableOperation::Write, {"FF"});
    for (int i = 2; i < kTableCells; ++i)
        rig.exchange(TableKind::Water, TableOperation::Write, {"A1"});
    QCOMPARE(completed.size(), 1);
    QVERIFY(!rig.transfer.isRunning());
}

void TableTransferTest::refusedWhileBusyOrClosed() {
    Rig rig;
    QVERIFY(!rig.transfer.startRead(TableKind::Water, true));
    const auto busy = rig.transfer.startWrite(TableKind::Fuel);
    QVERIFY(busy);
    QCOMPARE(busy->key, QLatin1String(table_messages::Busy));
    QCOMPARE(busy->args, QStringList{QStringLiteral("Timer_Water_Out_Filter")});
    rig.engine.stopAll();
    rig.port.ClosePort();
    const auto closed = rig.transfer.startRead(TableKind::Water, false);
    QVERIFY(closed);
    QCOMPARE(closed->key, QLatin1String(table_messages::PortClosed));
}

void TableTransferTest::cleanLineSequence_data() {
    QTest::addColumn<TableOperation>("operation");
    QTest::addColumn<int>("sendsPerCell"); // in each pass
    QTest::addColumn<int>("passes");       // the write's verify pass reads every cell once more
    QTest::newRow("read") << TableOperation::Read << 1 << 1;
    QTest::newRow("filtered read") << TableOperation::FilteredRead << 7 << 1;
    QTest::newRow("write") << TableOperation::Write << 1 << 2;
}

void TableTransferTest::cleanLineSequence() {
    QFETCH(TableOperation, operation);
    QFETCH(int, sendsPerCell);
    QFETCH(int, passes);
    Rig rig;
    std::array<int, 256> eeprom{};
    for (int a = 0; a < 256; ++a)
        eeprom[size_t(a)] = (a * 7 + 3) % 256;
    rig.tables.loadCells(TableKind::Water, QStringList(kTableCells, QStringLiteral("2,6")));
    if (operation == TableOperation::Write)
        QVERIFY(!rig.transfer.startWrite(TableKind::Water));
    else
        QVERIFY(!rig.transfer.startRead(TableKind::Water, operation != TableOperation::Read));
    // A module that answers every command at once.
    while (rig.transfer.isRunning()) {
        rig.transfer.transaction(TableKind::Water, operation).tick();
        const QString sent = rig.engine.SentCommand();
        if (sent.endsWith(u')'))
            eeprom[size_t(*wire::DecodeByte(QStringView(sent).mid(2)))] = *wire::DecodeByte(sent);
        rig.port.feed(sent.endsWith(u')')
                          ? QStringLiteral("!")
                          : wire::ValueToSend(eeprom[size_t(*wire::DecodeByte(sent))]));
    }
    // Cell after cell, row by row, and nothing sent twice but the filter's samples.
    QStringList expected;
    for (int pass = 0; pass < passes; ++pass) {
        for (int i = 0; i < kTableCells; ++i) {
            const int c = i % kTableColumns + 1;
            const int r = i / kTableColumns + 1;
            const QString command = pass == 0 && operation == TableOperation::Write
                                        ? WriteCellCommand(TableKind::Water, c, r, 26)
                                        : ReadCellCommand(TableKind::Water, c, r);
            for (int k = 0; k < sendsPerCell; ++k)
                expected << command;
        }
    }
    QCOMPARE(rig.port.writes, expected);
}

QTEST_GUILESS_MAIN(TableTransferTest)
#include "tst_table_transfer.moc"
