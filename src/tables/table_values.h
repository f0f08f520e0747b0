#pragma once

#include "info_file.h"
#include "table_kind.h"

#include <QString>
#include <QStringList>

// The numbers of the injection tables: the cell range, the column and row labels, the flow
// divisors of the flow unit and the rounding the view and the cell encoding share.

inline constexpr int kTableColumns = 8;
inline constexpr int kTableRows = 8;
inline constexpr int kTableCells = kTableColumns * kTableRows;

// A cell holds milliseconds; the module stores 0.1 ms per step in one byte.
inline constexpr double kCellMinimum = 0.01;
inline constexpr double kCellMaximum = 25.5;

// What the view sgrid_Table_3D shows: srb_VV_Abs, srb_VV_Perc, srb_VV_mLH.
enum class TableUnit {
    Absolute, // "Абс. значения", milliseconds
    Percent,  // "Проценты" of the row's injection time
    Flow,     // "Расход мл/час" for the injector flow typed beside the table
};

// Row 0 of every table: crankshaft speed, rpm, columns 1..8.
const QStringList& SpeedLabels();
// Column 0 of the view for a correction basis: volts "0,0".."4,4" or milliseconds "0,1".."22,4".
// The data tables always carry the injection-time labels.
const QStringList& BasisRowLabels(CorrectionBasis basis);
// The row-axis caption beside the view: "V" or "t, мс".
QString BasisAxisCaption(CorrectionBasis basis);

// The divisor of column 1..8 that turns milliseconds x 60 x flow into millilitres per hour.
double FlowDivisor(int column);

// value rounded to the given number of decimals on its shortest decimal text, halves to the
// even neighbour: 1.225 -> 1.22, 1.235 -> 1.24, 0.005 -> 0.
double RoundHalfEven(double value, int decimals);

// Lowest percent a cell may be given in the percent unit (fuel 50, water 5); the highest is 200.
double PercentMinimum(TableKind kind);
inline constexpr double kPercentMaximum = 200;

// Walks the value cells column by column, top to bottom, wrapping from (8, 8) to (1, 1).
struct CellPosition {
    int column = 1; // 1..8
    int row = 1;    // 1..8
    bool operator==(const CellPosition&) const = default;
};
CellPosition EnterWalk(CellPosition from);
