#pragma once

#include "info_file.h"

#include <QList>
#include <QStringList>

// Where in the table the engine works now: the column from the crankshaft speed between the speed
// labels, the row from the load (injection time or MAF voltage, by the correction basis) between
// the row labels, both interpolated between neighbours and held to the table's edges. 1.0 is the
// first column or row, 8.0 the last; 2.5 lies halfway between the second and the third.
struct LiveCell {
    double column = 1;
    double row = 1;
    // The cell nearest to the position.
    int nearestColumn() const;
    int nearestRow() const;
    bool operator==(const LiveCell&) const = default;
};

// The position of value among ascending labels (numbers written with a comma or a point),
// 1-based, interpolated between neighbours, held to 1 .. labels.size().
double AxisPosition(const QStringList& labels, double value);
// The same among labels already turned into numbers, for callers that place many values.
double AxisPosition(const QList<double>& labels, double value);
QList<double> AxisNumbers(const QStringList& labels);

LiveCell LiveCellOf(double rpm, double load, CorrectionBasis basis);

// The last positions, newest first, at most kLiveTrail; a position equal to the newest is not
// added again.
inline constexpr int kLiveTrail = 6;
void AddToTrail(QList<LiveCell>& trail, const LiveCell& cell);
