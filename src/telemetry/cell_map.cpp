#include "cell_map.h"

#include "live_cell.h"

#include <algorithm>
#include <cmath>

namespace telemetry {

namespace {

double gridValue(const SampleGrid& grid, qsizetype row, Channel channel) {
    return grid.cell(row, ColumnOfSeries(SeriesOf(channel))) / 100;
}

double sampleSeconds(const SampleGrid& grid, qsizetype row) {
    return grid.cell(row, kStepColumn) / 100;
}

// The rows an index window leaves, clipped to the grid: [first, end).
std::pair<qsizetype, qsizetype> rowSpan(const SampleGrid& grid, const CellMapFilter& filter) {
    double first = 0;
    double last = double(grid.rowCount() - 1);
    if (filter.firstIndex)
        first = std::max(first, std::ceil(*filter.firstIndex));
    if (filter.lastIndex)
        last = std::min(last, std::floor(*filter.lastIndex));
    if (!(first <= last)) // also a window of NaN
        return {0, 0};
    return {qsizetype(first), qsizetype(last) + 1};
}

bool passes(const SampleGrid& grid, qsizetype row, const CellMapFilter& filter) {
    if (filter.fromSeconds || filter.toSeconds) {
        const double t = sampleSeconds(grid, row);
        if ((filter.fromSeconds && !(t >= *filter.fromSeconds)) ||
            (filter.toSeconds && !(t <= *filter.toSeconds)))
            return false;
    }
    return !filter.condition ||
           filter.condition->holds(gridValue(grid, row, filter.condition->channel));
}

int nearest(double position) {
    return int(std::lround(position));
}

} // namespace

CellMap MapRecording(const SampleGrid& grid, const CellMapOptions& options) {
    CellMap map;
    map.m_channel = options.channel;
    map.m_basis = options.basis;
    const Channel load = options.basis == CorrectionBasis::Maf ? Channel::U_analog : Channel::TVT;
    const QList<double> columns = AxisNumbers(SpeedLabels());
    const QList<double> rows = AxisNumbers(BasisRowLabels(options.basis));

    const auto [first, end] = rowSpan(grid, options.filter);
    const qsizetype count = grid.rowCount();
    double step = 0;
    if (first > 0 && first < count)
        step = std::max(0.0, sampleSeconds(grid, first) - sampleSeconds(grid, first - 1));
    for (qsizetype i = first; i < end; ++i) {
        if (i + 1 < count) {
            const double next = sampleSeconds(grid, i + 1) - sampleSeconds(grid, i);
            if (next > 0 && std::isfinite(next))
                step = next;
        }
        if (!passes(grid, i, options.filter))
            continue;
        const int column = nearest(AxisPosition(columns, gridValue(grid, i, Channel::PVK)));
        const int row = nearest(AxisPosition(rows, gridValue(grid, i, load)));
        CellDwell& cell = map.m_cells[std::size_t((row - 1) * kTableColumns + (column - 1))];
        const double value = gridValue(grid, i, options.channel);
        cell.samples += 1;
        cell.seconds += step;
        cell.mean += value; // the sum until the end
        cell.minimum = std::min(cell.minimum, value);
        cell.maximum = std::max(cell.maximum, value);
        map.m_samples += 1;
        map.m_seconds += step;
    }

    for (CellDwell& cell : map.m_cells) {
        if (!cell.visited())
            continue;
        cell.mean /= double(cell.samples);
        cell.percent = map.m_seconds > 0 ? cell.seconds / map.m_seconds * 100
                                         : double(cell.samples) / double(map.m_samples) * 100;
    }
    return map;
}

double CellMap::largestPercent() const {
    double largest = 0;
    for (const CellDwell& cell : m_cells)
        largest = std::max(largest, cell.percent);
    return largest;
}

double CellMap::lowestMean() const {
    double lowest = std::numeric_limits<double>::infinity();
    for (const CellDwell& cell : m_cells)
        if (cell.visited())
            lowest = std::min(lowest, cell.mean);
    return std::isfinite(lowest) ? lowest : 0;
}

double CellMap::highestMean() const {
    double highest = -std::numeric_limits<double>::infinity();
    for (const CellDwell& cell : m_cells)
        if (cell.visited())
            highest = std::max(highest, cell.mean);
    return std::isfinite(highest) ? highest : 0;
}

std::optional<Channel> ChannelByName(const QString& name) {
    for (const ChannelInfo& info : Channels())
        if (name.compare(QLatin1String(info.name), Qt::CaseInsensitive) == 0)
            return info.channel;
    return std::nullopt;
}

} // namespace telemetry
