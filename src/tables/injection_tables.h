#pragma once

#include "decimal_format.h"
#include "info_file.h"
#include "table_kind.h"
#include "table_message.h"
#include "table_values.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// A 9 x 9 grid of texts: row 0 the speed labels, column 0 the row labels, columns and rows 1..8
// the cells. Values are decimal texts with the system separator, kept as they were typed, read
// or loaded.
class TableGrid {
public:
    QString cell(int column, int row) const;
    void setCell(int column, int row, const QString& text);
    QString cell(CellPosition p) const { return cell(p.column, p.row); }
    void setCell(CellPosition p, const QString& text) { setCell(p.column, p.row, text); }

    QStringList rowLabels() const;                // column 0, rows 1..8
    void setRowLabels(const QStringList& labels); // up to 8
    void setSpeedLabels();                        // row 0, columns 1..8
    // The 64 cell texts row by row, columns left to right (the order of the table files).
    QStringList cells() const;

    bool operator==(const TableGrid&) const = default;

private:
    std::array<QString, 81> m_cells;
};

// The two data tables (sgrid_3D_Water, sgrid_3D_Fuel: always milliseconds), the view of the
// active one (sgrid_Table_3D) in the chosen unit, the injector flows of the flow unit and the
// row labels of the correction basis. Widgets copy the view and report typed texts; transfers
// and files go through the data tables.
class InjectionTables : public QObject {
    Q_OBJECT
public:
    explicit InjectionTables(QObject* parent = nullptr);

    void setFormat(const DecimalFormat& format) { m_format = format; }
    const DecimalFormat& format() const { return m_format; }

    const TableGrid& data(TableKind kind) const { return m_data[index(kind)]; }
    const TableGrid& view() const { return m_view; }
    TableKind active() const { return m_active; }
    TableUnit unit() const { return m_unit; }
    CorrectionBasis basis() const { return m_basis; }

    // sEd_fors_water / sEd_fors_fuel: millilitres per minute as typed; empty at start-up.
    QString flowText(TableKind kind) const { return m_flow[index(kind)]; }
    void setFlowText(TableKind kind, const QString& text) { m_flow[index(kind)] = text; }

    // Start-up: speed labels everywhere, the view's row labels for the basis, and the data
    // tables' injection-time labels when that is the basis. Cells stay empty.
    void setUp(CorrectionBasis basis);

    // btn_WaterClick / btn_FuelClick: makes the table active, turns its empty cells into 0.01,
    // clamps cells above 25.5 (absolute and percent units) and fills the view in the unit.
    void refresh(TableKind kind);
    void refreshActive() { refresh(m_active); }

    // sgrid_Table_3DKeyDown for the focused view cell, before the focus moves. Returns the
    // message when the text is not a number: then the data table keeps its value and the view
    // keeps the typed text (separator corrected) until the next refresh.
    std::optional<Message> commit(CellPosition cell, const QString& typed);

    // Values in milliseconds computed elsewhere (range operations, pastes): each limited to the
    // stored range 0.01..25.5 and rounded to hundredths when it differs from the stored value,
    // into the active table; one refresh at the end. Nothing while editing is locked.
    void storeValues(const QList<std::pair<CellPosition, double>>& values);

    // A transfer runs: typed values, range operations, pastes and unit changes are refused until
    // it ends, so the table holds what is being written or read.
    void setEditingLocked(bool locked) { m_editingLocked = locked; }
    bool editingLocked() const { return m_editingLocked; }

    // srb_VV_AbsClick, srb_VV_PercClick, srb_VV_mLHClick on the active table.
    void chooseUnit(TableUnit unit);
    // Selects the unit without touching the view (transfers and file opening start with it).
    void setUnit(TableUnit unit);

    // The correction basis chosen (atb_KorrTab_MAF / atb_KorrTab_VV): the view's row labels,
    // and for the injection time also the data tables'. Values are not changed. The MAF voltage
    // has no units of its own: the view returns to absolute values there.
    void applyBasis(CorrectionBasis basis);
    // The basis as the module reports it: the buttons only, no relabelling.
    void setBasis(CorrectionBasis basis);
    // The settings view refresh: the view's row labels, and the data tables' when asked.
    void setRowLabels(const QStringList& labels, bool alsoDataTables);

    // A value read from the module: its text into the data table and, for the active table, into
    // the view.
    void setCellValue(TableKind kind, CellPosition cell, double milliseconds);
    // A table file's 64 texts (already checked): stored unchanged into the data table and, for
    // the active table, into the view, all at once.
    void loadCells(TableKind kind, const QStringList& cells);
    // The 64 values to write, row by row; an empty cell counts as 0.01 (what the next refresh
    // would make of it). A cell that is not a number gives the message and no values.
    std::optional<Message> cellValues(TableKind kind,
                                      std::array<double, kTableCells>* values) const;

signals:
    // The whole view was filled again (after a refresh, a unit change, a load).
    void viewChanged();
    // One view cell changed (a cell read from the module, a refused commit).
    void viewCellChanged(CellPosition cell);
    void unitChanged(TableUnit unit);
    void basisChanged(CorrectionBasis basis);
    void rowLabelsChanged();
    // A problem the window shows (a flow that is not a number).
    void message(const Message& message);

private:
    static int index(TableKind kind) { return kind == TableKind::Water ? 0 : 1; }
    QString text(double value) const { return m_format.format(value); }
    std::optional<double> flowValue(TableKind kind);
    void showFlow(TableKind kind, double flow);
    // commit without the refresh; true when the refresh is due.
    std::optional<Message> commitCell(CellPosition cell, const QString& typed, bool* refresh);

    DecimalFormat m_format;
    std::array<TableGrid, 2> m_data;
    TableGrid m_view;
    std::array<QString, 2> m_flow;
    TableKind m_active = TableKind::Water;
    TableUnit m_unit = TableUnit::Absolute;
    CorrectionBasis m_basis = CorrectionBasis::Maf;
    bool m_editingLocked = false;
};
