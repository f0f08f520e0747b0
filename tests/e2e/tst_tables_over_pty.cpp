// The table transfers and marvek2-cli table against the simulated module over a pseudo-terminal.
#include "injection_tables.h"
#include "pty_rig.h"
#include "table_codec.h"
#include "table_file.h"
#include "table_transfer.h"
#include "text_file.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Every table byte distinct from its neighbours; settings and name bytes around them.
QByteArray moduleImage() {
    return MakeImage([](int a) { return a >= 0x80 ? (a * 7 + 3) % 256 : (a * 13 + 5); });
}

// The bytes a table of texts gives.
QByteArray withTable(QByteArray image, TableKind kind, const QStringList& cells,
                     const DecimalFormat& format) {
    for (int i = 0; i < kTableCells; ++i) {
        const int c = i % kTableColumns + 1;
        const int r = i / kTableColumns + 1;
        image[CellEepromAddress(kind, c, r)] = char(EncodeCell(format.parse(cells.at(i)).value()));
    }
    return image;
}

QStringList someTable(int seed) {
    QStringList cells;
    for (int i = 0; i < kTableCells; ++i)
        cells << QString::number(((i * 37 + seed) % 255 + 1) / 10.0);
    cells[5] = QStringLiteral("30");   // clamped to 25.5 before encoding
    cells[6] = QStringLiteral("0.25"); // halves to even: 2
    return cells;
}

struct TableRig : PtyRig {
    TableRig() : PtyRig(moduleImage()) { tables.setFormat(DecimalFormat(u'.')); }
    // Runs until the transfer completes or fails; true when it completed.
    bool runToEnd(int timeoutMs) {
        QSignalSpy completed(&transfer, &TableTransfer::completed);
        QSignalSpy failed(&transfer, &TableTransfer::failed);
        return QTest::qWaitFor([this] { return !transfer.isRunning(); }, timeoutMs) &&
               completed.size() == 1 && failed.isEmpty();
    }
    InjectionTables tables;
    TableTransfer transfer{engine, tables};
};

sim::FaultRates lineFaults() {
    sim::FaultRates rates;
    rates.drop = 0.05;
    rates.split = 0.15;
    rates.corrupt = 0.05;
    rates.lower = 0.05;
    rates.splitGapMs = 3;
    return rates;
}

} // namespace

class TablesOverPty : public QObject {
    Q_OBJECT
private slots:
    void read_data();
    void read();
    void writeUnderFaults_data();
    void writeUnderFaults();
    void verifyRewritesACorruptedCell();
    void cliVerbs();
};

void TablesOverPty::read_data() {
    QTest::addColumn<TableKind>("kind");
    QTest::addColumn<bool>("filtered");
    QTest::addColumn<sim::FaultRates>("rates");
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<bool>("fast");
    QTest::addColumn<double>("intervalScale");
    const sim::FaultRates lowerAndSplits = LineFaults(0, 0.2, 0, 0.1);
    const sim::FaultRates corrupted = LineFaults(0, 0.2, 0.1, 0.05);
    const auto water = TableKind::Water;
    const auto fuel = TableKind::Fuel;
    QTest::newRow("water plain") << water << false << sim::FaultRates() << 7u << false << 1.0;
    QTest::newRow("fuel plain, lower case and splits, fast")
        << fuel << false << lowerAndSplits << 7u << true << 1.0;
    QTest::newRow("water filtered, corrupted answers")
        << water << true << corrupted << 7u << false << 0.4;
    // Answers that come after a resend or after the next command would have gone: a plain read
    // takes one answer per cell, so each must be the answer to that cell's command.
    QTest::newRow("water plain, late answers")
        << water << false << LateModule() << 7u << false << 1.0;
    QTest::newRow("fuel plain, late answers, fast")
        << fuel << false << LateModule() << 8u << true << 0.4;
    QTest::newRow("water plain, busy module")
        << water << false << BusyModule() << 9u << false << 0.4;
    QTest::newRow("fuel plain, busy module, fast")
        << fuel << false << BusyModule() << 10u << true << 0.4;
    QTest::newRow("fuel filtered, busy module, fast")
        << fuel << true << BusyModule(0.05, 0.02) << 12u << true << 0.4;
    QTest::newRow("water filtered, late answers")
        << water << true << LateModule(0.05, 0.02) << 13u << false << 0.4;
}

void TablesOverPty::read() {
    QFETCH(TableKind, kind);
    QFETCH(bool, filtered);
    QFETCH(sim::FaultRates, rates);
    QFETCH(quint32, seed);
    QFETCH(bool, fast);
    QFETCH(double, intervalScale);
    TableRig rig;
    QVERIFY(rig.started && rig.open());
    rig.engine.setFastTransfers(fast);
    rig.engine.setIntervalScale(intervalScale);
    rig.setFaults(seed, rates);
    const QByteArray before = rig.eeprom();
    QVERIFY(!rig.transfer.startRead(kind, filtered));
    QVERIFY(rig.runToEnd(90000));
    for (int r = 1; r <= kTableRows; ++r) {
        for (int c = 1; c <= kTableColumns; ++c) {
            const int byte = quint8(before.at(CellEepromAddress(kind, c, r)));
            QCOMPARE(rig.tables.data(kind).cell(c, r), DecimalFormat(u'.').format(byte / 10.0));
        }
    }
    QCOMPARE(ImageDifferences(rig.eeprom(), before), QStringList());
    // Every command was a read of this table.
    for (const QString& command : rig.received())
        QVERIFY2(command.endsWith(u'*') && command.size() == 3, qPrintable(command));
}

void TablesOverPty::writeUnderFaults_data() {
    QTest::addColumn<TableKind>("kind");
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<bool>("fast");
    QTest::addColumn<sim::FaultRates>("rates");
    QTest::addColumn<bool>("flat"); // cells in runs of equal values
    const auto water = TableKind::Water;
    const auto fuel = TableKind::Fuel;
    QTest::newRow("water, clean line") << water << 0u << false << sim::FaultRates() << false;
    QTest::newRow("water, faults seed 3") << water << 3u << false << lineFaults() << false;
    QTest::newRow("fuel, faults seed 11") << fuel << 11u << false << lineFaults() << false;
    QTest::newRow("fuel, faults seed 5, fast") << fuel << 5u << true << lineFaults() << false;
    // Where neighbouring cells are equal, the acknowledgement or read-back of the cell before
    // reads like this cell's own.
    QTest::newRow("water flat, busy module") << water << 21u << false << BusyModule() << true;
    QTest::newRow("water flat, busy module, fast") << water << 22u << true << BusyModule() << true;
    QTest::newRow("fuel flat, busy module, fast") << fuel << 23u << true << BusyModule() << true;
    QTest::newRow("water flat, late answers") << water << 24u << false << LateModule() << true;
    QTest::newRow("water flat, late answers, fast") << water << 25u << true << LateModule() << true;
    QTest::newRow("fuel flat, late answers") << fuel << 26u << false << LateModule() << true;
    QTest::newRow("water flat, many late answers")
        << water << 42u << false << LateModule(0.3, 0.15) << true;
}

void TablesOverPty::writeUnderFaults() {
    QFETCH(TableKind, kind);
    QFETCH(quint32, seed);
    QFETCH(bool, fast);
    QFETCH(sim::FaultRates, rates);
    QFETCH(bool, flat);
    TableRig rig;
    QVERIFY(rig.started && rig.open());
    rig.engine.setFastTransfers(fast);
    rig.setFaults(seed, rates);
    QStringList cells = someTable(int(seed));
    for (int i = 0; flat && i < kTableCells; ++i)
        cells[i] = cells.at(i / 4 * 4);
    rig.tables.loadCells(kind, cells);
    const QByteArray expected = withTable(rig.eeprom(), kind, cells, DecimalFormat(u'.'));
    QVERIFY(!rig.transfer.startWrite(kind));
    QVERIFY(rig.runToEnd(60000));
    QCOMPARE(ImageDifferences(rig.eeprom(), expected), QStringList());
    // Nothing but this table's cells was ever written.
    for (const QString& command : rig.received()) {
        const int address = WrittenAddress(command);
        if (address >= 0)
            QVERIFY2(address >= 0x80 && (address % 16 >= 8) == (kind == TableKind::Water),
                     qPrintable(command));
    }
}

void TablesOverPty::verifyRewritesACorruptedCell() {
    TableRig rig;
    QVERIFY(rig.started && rig.open());
    QStringList cells(kTableCells, QStringLiteral("2.6"));
    rig.tables.loadCells(TableKind::Water, cells);
    // The first write of water (1, 1) lands, then the cell is spoilt behind the program's back.
    int writesOfFirstCell = 0;
    QObject::connect(&rig.sim(), &sim::Module::exchanged, &rig.sim(), [&](const QString& c) {
        if (c == QLatin1String("A1F8)") && ++writesOfFirstCell == 1)
            rig.sim().state().setEeprom(0x8F, 0x1B);
    });
    QVERIFY(!rig.transfer.startWrite(TableKind::Water));
    QVERIFY(rig.runToEnd(30000));
    QCOMPARE(writesOfFirstCell, 2);
    const QStringList received = rig.received();
    const qsizetype rewrite = received.lastIndexOf(QStringLiteral("A1F8)"));
    QVERIFY(rewrite > 64);
    QCOMPARE(received.at(rewrite - 1), QStringLiteral("F8*"));
    QCOMPARE(received.at(rewrite + 1), QStringLiteral("F8*"));
    QCOMPARE(quint8(rig.eeprom().at(0x8F)), quint8(0x1A));
}

void TablesOverPty::cliVerbs() {
    TableRig rig;
    QVERIFY(rig.started);
    QTemporaryDir dir;
    const QString port = rig.module.slavePath();
    const QString cli = QStringLiteral(MARVEK2_CLI);
    const DecimalFormat system;

    // A file with a value out of range is refused before anything is sent (without --clamp).
    const QStringList cells = someTable(5);
    const QString bigFile = dir.filePath(QStringLiteral("bigMAF.txt"));
    QVERIFY(WriteTextFile(bigFile, cells.mid(0, 2) << "30" << cells.mid(3)).isEmpty());
    CliRun refused;
    QVERIFY(refused.run(cli, {"table", "write", "water", bigFile, "--port", port}, 20000));
    QVERIFY(refused.exitCode() != 0);
    QVERIFY2(refused.err.contains("bigMAF.txt, line 3") && refused.err.contains("--clamp"),
             refused.err);
    QCOMPARE(rig.received(), QStringList());

    // Write with the fast option, then read back with the filter.
    QStringList systemCells;
    for (const QString& c : cells)
        systemCells << system.normalised(c);
    const QString file = dir.filePath(QStringLiteral("goodLambda.txt"));
    QVERIFY(WriteTextFile(file, systemCells).isEmpty());
    const QByteArray expected =
        withTable(rig.eeprom(), TableKind::Fuel, cells, DecimalFormat(u'.'));
    CliRun write;
    QVERIFY(write.run(cli, {"table", "write", "fuel", file, "--port", port, "--fast", "--clamp"},
                      60000));
    QVERIFY2(write.exitCode() == 0, write.err);
    QCOMPARE(ImageDifferences(rig.eeprom(), expected), QStringList());

    // Without --out, the table's default name in the current folder.
    CliRun read;
    read.process.setWorkingDirectory(dir.path());
    QVERIFY(read.run(cli, {"table", "read", "fuel", "--filter", "--port", port, "--fast"}, 60000));
    QVERIFY2(read.exitCode() == 0, read.err);
    const TextFileContent back = ReadTextFile(dir.filePath(QStringLiteral("fuelLambda.txt")));
    QVERIFY(back.ok());
    QCOMPARE(back.lines.size(), kTableCells);
    for (int i = 0; i < kTableCells; ++i) {
        const int c = i % kTableColumns + 1;
        const int r = i / kTableColumns + 1;
        QCOMPARE(
            back.lines.at(i),
            system.format(quint8(expected.at(CellEepromAddress(TableKind::Fuel, c, r))) / 10.0));
    }
}

QTEST_GUILESS_MAIN(TablesOverPty)
#include "tst_tables_over_pty.moc"
