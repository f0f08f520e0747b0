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

QList<double> AxisNumbers(const QStringList& labels) {
    QList<double> numbers;
    numbers.reserve(labels.size());
    for (const QString& label : labels)
        numbers.append(number(label));
    return numbers;
}

double AxisPosition(const QStringList& labels, double value) {
    return AxisPosition(AxisNumbers(labels), value);
}

double AxisPosition(const QList<double>& labels, double value) {
    if (labels.isEmpty() || !std::isfinite(value))
        return 1;
    if (value <= labels.first())
        return 1;
    for (int i = 1; i < labels.size(); ++i) {
        const double low = labels.at(i - 1);
        const double high = labels.at(i);
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
