#pragma once

#include "decimal_format.h"
#include "injection_tables.h"
#include "table_message.h"
#include "table_values.h"

#include <QString>
#include <QVector>

#include <array>

#include <optional>
#include <utility>

// Editing a rectangle of the table at once: every new value is computed on the stored
// milliseconds (an argument to set or add is in the view's unit), rounded to hundredths and
// limited to the stored range 0.01..25.5. Nothing is sent to the module.

// A rectangle of value cells, columns and rows 1..8, corners included.
struct CellRange {
    int left = 1;
    int top = 1;
    int right = 1;
    int bottom = 1;

    // The rectangle spanned by two cells in any order, limited to the value cells.
    static CellRange spanning(CellPosition a, CellPosition b);
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
    int count() const { return width() * height(); }
    bool contains(CellPosition p) const {
        return p.column >= left && p.column <= right && p.row >= top && p.row <= bottom;
    }
    bool operator==(const CellRange&) const = default;
};

enum class RangeOperation {
    Set,                 // every cell takes the argument
    Add,                 // the argument is added (subtracting is adding a negative value)
    Scale,               // every cell becomes argument percent of itself: 110 raises by a tenth
    InterpolateRows,     // each row straight from its leftmost to its rightmost cell
    InterpolateColumns,  // each column straight from its top to its bottom cell
    InterpolateBilinear, // the whole rectangle from its four corners
    Smooth,              // each cell the average of itself and its neighbours in the table
};

namespace table_messages {
inline constexpr auto RangeFlowUnit = "Msg_Table_RangeFlowUnit"; // values in ml/h are not edited
inline constexpr auto RangeNotANumber = "Msg_Table_RangeNotANumber"; // %1 column, %2 row, %3 text
inline constexpr auto PasteEmpty = "Msg_Table_PasteEmpty";
inline constexpr auto PasteRagged = "Msg_Table_PasteRagged";         // %1 line
inline constexpr auto PasteTooLarge = "Msg_Table_PasteTooLarge";     // %1 rows, %2 columns
inline constexpr auto PasteNotANumber = "Msg_Table_PasteNotANumber"; // %1 line, %2 field, %3 text
} // namespace table_messages

// The values a range operation gives, rounded to hundredths, for the cells it changes; the
// cell range's texts are read from table. argumentScale (by row) turns the argument of Set and
// Add from the view's unit into the table's. A text in the range (or, for smoothing, among the
// neighbours) that is not a number gives the message and no values.
struct RangeValues {
    QList<std::pair<CellPosition, double>> values;
    std::optional<Message> error;
};
RangeValues ComputeRange(const TableGrid& table, const DecimalFormat& format, CellRange range,
                         RangeOperation operation, double argument,
                         const std::array<double, kTableRows + 1>* argumentScale = nullptr);

// Computes, then stores the values into the active table; one view refresh at the end. In the
// flow unit nothing is changed (a typed value is discarded there too) and the message says so.
std::optional<Message> ApplyRange(InjectionTables& tables, CellRange range,
                                  RangeOperation operation, double argument);

// The range as shown, tab-separated, one line per row, each line ended by "\n" (what a
// spreadsheet takes and gives), with the view's decimal separator.
QString CopyRange(const TableGrid& view, CellRange range);

// Tab-separated text parsed into rows of numbers; either separator is taken in a field. A block
// that is empty, ragged or holds a field that is not a number is refused with the message.
struct PastedBlock {
    QVector<QVector<double>> rows;
    std::optional<Message> error;
};
PastedBlock ParsePastedText(const QString& text, const DecimalFormat& format);

// A paste into the view: a single value fills the whole selection; a block is placed with its
// top left at the selection's top left and must fit inside the table. Checked whole before
// anything changes; then stored like the results of a range operation.
std::optional<Message> PasteRange(InjectionTables& tables, CellRange selection,
                                  const QString& text);

// The cells where two tables of 64 texts (row by row) differ: compared as numbers where both are
// numbers, as texts otherwise.
struct CellDifference {
    CellPosition cell;
    QString left;
    QString right;
    bool operator==(const CellDifference&) const = default;
};
QVector<CellDifference> CompareTables(const QStringList& left, const QStringList& right,
                                      const DecimalFormat& format);

// A data table's 64 texts, for undoing a change to it.
struct TableSnapshot {
    TableKind kind = TableKind::Water;
    QStringList cells;
    bool operator==(const TableSnapshot&) const = default;
};
TableSnapshot TakeSnapshot(const InjectionTables& tables, TableKind kind);
// The texts back into the data table at once; the view follows when the table is the active one.
void RestoreSnapshot(InjectionTables& tables, const TableSnapshot& snapshot);
