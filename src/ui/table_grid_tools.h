#pragma once

#include "dump_file.h"
#include "grid_tools.h"
#include "live_cell.h"
#include "snapshot_undo.h"
#include "table_range_ops.h"

#include <QBrush>
#include <QHash>
#include <QStringList>

#include <array>
#include <optional>

class QDialog;
class QListWidget;
class QPushButton;
class QTableWidget;

// Both data tables at once: what one undo step restores.
struct TablesSnapshot {
    TableSnapshot water;
    TableSnapshot fuel;
    bool operator==(const TablesSnapshot&) const = default;
};

// sgrid_Table_3D's context menu and keys: range operations on the selected rectangle in the
// view's unit, copy and paste, undo and redo of every change to both data tables, and the compare
// of the active table with a table file, a dump or the table as last read from the module.
class TableGridTools : public GridTools {
    Q_OBJECT
public:
    TableGridTools(QTableWidget* grid, InjectionTables& tables, QObject* parent);

    void hold() { m_recorder.hold(); }
    void release() { m_recorder.release(); }
    void settleUndo() override { m_recorder.settle(); }
    // The tables as they are now are the start of the undo history (after start-up).
    void rebase() { m_recorder.rebase(); }
    // A complete read or verified write of a table: the reference of "compare with the last read".
    void rememberRead(TableKind kind, const QStringList& cells) { m_lastRead[index(kind)] = cells; }

    // The live poll's values of a tick: the cell where the engine works now is marked (bold, red
    // text) with a fading trail of the last positions; the row follows the correction basis
    // (injection time or MAF voltage).
    void showLive(double rpm, double injectionTime, double mafVoltage);
    void clearLive();
    const QList<LiveCell>& liveTrail() const { return m_trail; }

    CellRange selection() const;
    // After a compare with a dump: the window listing the addresses where the dump differs from
    // both tables as they are now, each with its table cell in the interface language.
    QDialog* dumpWindow() const { return m_dumpWindow; }

signals:
    // After every change of the live trail (the 3D surface follows it).
    void liveTrailChanged(const QList<LiveCell>& trail);

public:
    // The view cells marked as different from the active table's reference.
    QList<CellPosition> markedCells() const { return m_marked; }

protected:
    void operate(Command command, double argument) override;
    QString copySelection() const override;
    void paste(const QString& text) override;
    void compareWithFile(const QString& path) override;
    void compareWithRead() override;
    void compareOff() override;
    std::optional<double> parse(const QString& text) const override;
    QString fileFilter() const override;
    QString historyKind() const override { return kindName(m_tables.active()); }
    void openFile(const QString& path) override;

public:
    // A complete read or a verified write of a table: a copy into the history.
    void keepInHistory(TableKind kind, const QString& what, const QStringList& cells);
    static QString kindName(TableKind kind) {
        return kind == TableKind::Water ? QStringLiteral("water") : QStringLiteral("fuel");
    }

private:
    static int index(TableKind kind) { return kind == TableKind::Water ? 0 : 1; }
    void report(const std::optional<Message>& m);
    void mark(bool viewRepainted);

    QTableWidget* m_table;
    InjectionTables& m_tables;
    SnapshotUndo<TablesSnapshot> m_recorder;
    std::array<std::optional<QStringList>, 2> m_reference;
    std::array<bool, 2> m_referenceIsDump{}; // compared as the bytes the module holds
    QDialog* m_dumpWindow = nullptr;
    QListWidget* m_dumpList = nullptr;
    QPushButton* m_dumpClose = nullptr;
    void showDumpDifferences(const EepromImage& dump);
    std::array<std::optional<QStringList>, 2> m_lastRead;
    QList<CellPosition> m_marked;
    QHash<int, QBrush> m_plainBrush; // the page's colour of a marked cell
    QList<LiveCell> m_trail;
    QList<CellPosition> m_livePainted;
    void paintLive();
};
