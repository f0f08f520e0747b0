#include "table_grid_tools.h"

#include "dump_compare.h"
#include "dump_file.h"
#include "table_codec.h"
#include "table_file.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QColor kDifferentColour(255, 196, 120);

TablesSnapshot TakeBoth(const InjectionTables& t) {
    TablesSnapshot s{TakeSnapshot(t, TableKind::Water), TakeSnapshot(t, TableKind::Fuel)};
    // An empty cell is what the first refresh turns into 0.01: the same state, not a change.
    const QString lowest = t.format().format(kCellMinimum);
    for (TableSnapshot* one : {&s.water, &s.fuel}) {
        for (QString& cell : one->cells) {
            if (cell.isEmpty())
                cell = lowest;
        }
    }
    return s;
}

void RestoreBoth(InjectionTables& t, const TablesSnapshot& s) {
    for (const TableSnapshot& one : {s.water, s.fuel}) {
        if (t.data(one.kind).cells() != one.cells)
            RestoreSnapshot(t, one);
    }
}

int key(CellPosition p) {
    return p.row * 16 + p.column;
}

} // namespace

TableGridTools::TableGridTools(QTableWidget* grid, InjectionTables& tables, QObject* parent)
    : GridTools(grid, true, parent), m_table(grid), m_tables(tables),
      m_recorder(
          m_undo, [&tables] { return TakeBoth(tables); },
          [&tables](const TablesSnapshot& s) { RestoreBoth(tables, s); }) {
    m_table->setSelectionMode(QAbstractItemView::ContiguousSelection);
    connect(&tables, &InjectionTables::viewChanged, this, [this] {
        m_recorder.changed();
        mark(true);
    });
    connect(&tables, &InjectionTables::viewCellChanged, this, [this] {
        m_recorder.changed();
        mark(false);
    });
}

CellRange TableGridTools::selection() const {
    const QList<QTableWidgetSelectionRange> ranges = m_table->selectedRanges();
    if (ranges.isEmpty()) {
        const CellPosition p{m_table->currentColumn(), m_table->currentRow()};
        return CellRange::spanning(p, p);
    }
    QTableWidgetSelectionRange r = ranges.first();
    int left = r.leftColumn(), right = r.rightColumn(), top = r.topRow(), bottom = r.bottomRow();
    for (const QTableWidgetSelectionRange& x : ranges) {
        left = std::min(left, x.leftColumn());
        right = std::max(right, x.rightColumn());
        top = std::min(top, x.topRow());
        bottom = std::max(bottom, x.bottomRow());
    }
    return CellRange::spanning({left, top}, {right, bottom});
}

void TableGridTools::report(const std::optional<Message>& m) {
    if (!m)
        return;
    emit message(m_texts.message(*m));
}

void TableGridTools::operate(Command command, double argument) {
    RangeOperation op = RangeOperation::Set;
    switch (command) {
    case Command::Add:
    case Command::Subtract:
        op = RangeOperation::Add;
        break;
    case Command::Scale:
        op = RangeOperation::Scale;
        break;
    case Command::InterpolateRows:
        op = RangeOperation::InterpolateRows;
        break;
    case Command::InterpolateColumns:
        op = RangeOperation::InterpolateColumns;
        break;
    case Command::Interpolate:
        op = RangeOperation::InterpolateBilinear;
        break;
    case Command::Smooth:
        op = RangeOperation::Smooth;
        break;
    default:
        break;
    }
    report(ApplyRange(m_tables, selection(), op, argument));
}

QString TableGridTools::copySelection() const {
    return CopyRange(m_tables.view(), selection());
}

void TableGridTools::paste(const QString& text) {
    report(PasteRange(m_tables, selection(), text));
}

void TableGridTools::compareWithFile(const QString& path) {
    const TableKind kind = m_tables.active();
    if (path.endsWith(QLatin1String(kDumpFileSuffix), Qt::CaseInsensitive)) {
        const DumpFileContent dump = ReadDumpFile(path);
        if (!dump.ok()) {
            report(dump.error);
            return;
        }
        QStringList cells;
        for (int r = 1; r <= kTableRows; ++r)
            for (int c = 1; c <= kTableColumns; ++c)
                cells << m_tables.format().format(
                    DecodeCell(dump.image[size_t(CellEepromAddress(kind, c, r))]));
        m_reference[index(kind)] = cells;
        m_referenceIsDump[index(kind)] = true;
        showDumpDifferences(dump.image);
    } else {
        const TableFileContent file = ReadTableFile(path, m_tables.format());
        if (!file.ok()) {
            report(file.error);
            return;
        }
        m_reference[index(kind)] = file.cells;
        m_referenceIsDump[index(kind)] = false;
    }
    mark(false);
}

void TableGridTools::showDumpDifferences(const EepromImage& dump) {
    // The dump with both tables as they are now in place of its own: what differs is a cell.
    EepromImage mine = dump;
    QHash<int, QString> owners;
    QHash<int, QString> now; // the cells as the grid shows them
    for (TableKind kind : {TableKind::Water, TableKind::Fuel}) {
        const QString cellText =
            kind == TableKind::Water ? text("MsgTune_DumpWaterCell") : text("MsgTune_DumpFuelCell");
        for (int r = 1; r <= kTableRows; ++r)
            for (int c = 1; c <= kTableColumns; ++c) {
                const int address = CellEepromAddress(kind, c, r);
                // An empty cell (a table not shown yet) is the lowest value, as it is written.
                const QString cell = m_tables.data(kind).cell(c, r);
                const auto v = cell.isEmpty() ? std::optional<double>(kCellMinimum)
                                              : m_tables.format().parse(cell);
                if (!v)
                    continue;
                mine[size_t(address)] = std::uint8_t(EncodeCell(*v));
                owners.insert(address, cellText.arg(c).arg(r));
                now.insert(address,
                           m_tables.format().format(std::clamp(*v, kCellMinimum, kCellMaximum)));
            }
    }
    const QVector<ByteDifference> differences = CompareDumps(mine, dump);
    if (!m_dumpWindow) {
        m_dumpWindow = new QDialog(m_table);
        m_dumpWindow->setObjectName(QStringLiteral("fm_DumpDifferences"));
        m_dumpWindow->setMinimumSize(420, 320);
        auto* layout = new QVBoxLayout(m_dumpWindow);
        m_dumpList = new QListWidget(m_dumpWindow);
        m_dumpList->setObjectName(QStringLiteral("lst_DumpDifferences"));
        layout->addWidget(m_dumpList, 1);
        auto* buttons = new QDialogButtonBox(m_dumpWindow);
        m_dumpClose = buttons->addButton(QString(), QDialogButtonBox::RejectRole);
        m_dumpClose->setObjectName(QStringLiteral("btn_DumpDifferences_Close"));
        connect(m_dumpClose, &QPushButton::clicked, m_dumpWindow, &QDialog::hide);
        layout->addWidget(buttons);
    }
    m_dumpWindow->setWindowTitle(text("MsgTune_DumpDiffTitle"));
    m_dumpClose->setText(text("MsgTune_HistoryClose"));
    m_dumpList->clear();
    const QString line = text("MsgTune_DumpDiffLine");
    for (const ByteDifference& d : differences)
        m_dumpList->addItem(line.arg(
            QStringLiteral("0x") +
                QString::number(d.address, 16).toUpper().rightJustified(2, QLatin1Char('0')),
            owners.value(d.address, d.owner), now.value(d.address),
            m_tables.format().format(DecodeCell(d.right))));
    if (differences.isEmpty())
        m_dumpList->addItem(text("MsgTune_DumpDiffNone"));
    m_dumpWindow->show();
    m_dumpWindow->raise();
}

void TableGridTools::compareWithRead() {
    const int i = index(m_tables.active());
    if (!m_lastRead[i]) {
        emit message(text("MsgTune_NothingRead"));
        return;
    }
    m_reference[i] = m_lastRead[i];
    m_referenceIsDump[i] = false;
    mark(false);
}

void TableGridTools::compareOff() {
    m_reference[index(m_tables.active())].reset();
    mark(false);
}

std::optional<double> TableGridTools::parse(const QString& text) const {
    return m_tables.format().parse(text);
}

QString TableGridTools::fileFilter() const {
    const bool water = m_tables.active() == TableKind::Water;
    const QString name = water ? text("Msg_Table_WaterFiles") : text("Msg_Table_FuelFiles");
    return name + QStringLiteral(" (*") + TableFileSuffix(m_tables.active()) +
           QStringLiteral(");;EEPROM (*") + QLatin1String(kDumpFileSuffix) + QLatin1Char(')');
}

void TableGridTools::mark(bool viewRepainted) {
    if (viewRepainted)
        m_plainBrush.clear(); // the page has painted every cell in its own colour again
    const TableKind kind = m_tables.active();
    const std::optional<QStringList>& reference = m_reference[index(kind)];
    QList<CellPosition> marked;
    QHash<int, CellDifference> differences;
    if (reference) {
        for (const CellDifference& d :
             CompareTables(m_tables.data(kind).cells(), *reference, m_tables.format())) {
            // A dump holds bytes: cells that encode to the same byte are the same, as its list
            // says.
            const auto a = m_tables.format().parse(d.left);
            const auto b = m_tables.format().parse(d.right);
            if (m_referenceIsDump[index(kind)] && a && b && EncodeCell(*a) == EncodeCell(*b))
                continue;
            marked << d.cell;
            differences.insert(key(d.cell), d);
        }
    }
    const QSignalBlocker quiet(m_table);
    const QString tip = text("MsgTune_CompareTip");
    for (int r = 1; r <= kTableRows; ++r) {
        for (int c = 1; c <= kTableColumns; ++c) {
            QTableWidgetItem* item = m_table->item(r, c);
            if (!item)
                continue;
            const int k = key({c, r});
            if (differences.contains(k)) {
                if (!m_plainBrush.contains(k))
                    m_plainBrush.insert(k, item->background());
                item->setBackground(kDifferentColour);
                const CellDifference& d = differences[k];
                item->setToolTip(FillMessageText(tip, {d.left, d.right}));
            } else {
                if (m_plainBrush.contains(k))
                    item->setBackground(m_plainBrush.take(k));
                item->setToolTip(QString());
            }
        }
    }
    m_marked = marked;
}

void TableGridTools::openFile(const QString& path) {
    const TableFileContent file = ReadTableFile(path, m_tables.format());
    if (!file.ok()) {
        report(file.error);
        return;
    }
    // As a table file is opened: in absolute values, the active table.
    m_tables.setUnit(TableUnit::Absolute);
    m_tables.loadCells(m_tables.active(), file.cells);
    m_tables.refreshActive();
    for (const Message& notice : file.notices)
        report(notice);
}

void TableGridTools::keepInHistory(TableKind kind, const QString& what, const QStringList& cells) {
    QStringList lines = cells;
    for (QString& line : lines) {
        if (line.isEmpty())
            line = m_tables.format().format(kCellMinimum); // as it was sent
    }
    keep(kindName(kind), what, TableFileSuffix(kind), lines);
}

void TableGridTools::showLive(double rpm, double injectionTime, double mafVoltage) {
    const CorrectionBasis basis = m_tables.basis();
    AddToTrail(m_trail,
               LiveCellOf(rpm, basis == CorrectionBasis::Maf ? mafVoltage : injectionTime, basis));
    paintLive();
}

void TableGridTools::clearLive() {
    m_trail.clear();
    paintLive();
}

void TableGridTools::paintLive() {
    const QSignalBlocker quiet(m_table);
    for (const CellPosition& p : std::as_const(m_livePainted)) {
        if (QTableWidgetItem* item = m_table->item(p.row, p.column)) {
            item->setData(Qt::ForegroundRole, QVariant());
            item->setData(Qt::FontRole, QVariant());
        }
    }
    m_livePainted.clear();
    // Oldest first, so the newest wins where two positions share a cell.
    for (qsizetype i = m_trail.size() - 1; i >= 0; --i) {
        const CellPosition p{m_trail.at(i).nearestColumn(), m_trail.at(i).nearestRow()};
        QTableWidgetItem* item = m_table->item(p.row, p.column);
        if (!item)
            continue;
        const int fade = int(i) * 150 / kLiveTrail;
        item->setForeground(QColor(200, fade, fade));
        QFont font = m_table->font();
        font.setBold(i == 0);
        item->setFont(font);
        m_livePainted.append(p);
    }
    emit liveTrailChanged(m_trail);
}
