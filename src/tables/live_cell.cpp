#include "live_cell.h"

#include "table_values.h"

#include <cmath>

namespace {

double number(QString text) {
    return text.replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
}

} // namespace

int LiveCell::nearestColumn() const {
    return int(std::lround(column));
}

int LiveCell::nearestRow() const {
    return int(std::lround(row));
}

double AxisPosition(const QStringList& labels, double value) {
    if (labels.isEmpty() || !std::isfinite(value))
        return 1;
    if (value <= number(labels.first()))
        return 1;
    for (int i = 1; i < labels.size(); ++i) {
        const double low = number(labels.at(i - 1));
        const double high = number(labels.at(i));
        if (value <= high)
            return high > low ? i + (value - low) / (high - low) : i + 1;
    }
    return labels.size();
}

LiveCell LiveCellOf(double rpm, double load, CorrectionBasis basis) {
    return {AxisPosition(SpeedLabels(), rpm), AxisPosition(BasisRowLabels(basis), load)};
}

void AddToTrail(QList<LiveCell>& trail, const LiveCell& cell) {
    if (!trail.isEmpty() && trail.first() == cell)
        return;
    trail.prepend(cell);
    while (trail.size() > kLiveTrail)
        trail.removeLast();
}
