#pragma once

#include "info_file.h"
#include "sample_grid.h"
#include "table_values.h"
#include "telemetry_channel.h"

#include <QString>
#include <QtGlobal>

#include <array>
#include <limits>
#include <optional>

// Where the engine spent a recording, cell by cell of an injection table: every sample is placed
// as the live cell places the engine now (speed column × load row of the correction basis, the
// nearest cell), and each cell gathers its time, its samples and the spread of one channel.
namespace telemetry {

// A condition on one channel's value; a sample that fails it is left out.
struct ChannelCondition {
    enum class Comparison { Above, Below };
    Channel channel = Channel::T;
    Comparison comparison = Comparison::Above;
    double value = 0;
    bool holds(double channelValue) const {
        return comparison == Comparison::Above ? channelValue > value : channelValue < value;
    }
};

// Which samples count: an index window (the chart's bottom axis, in point indices, both ends
// included), a span of sample times in seconds (both ends included) and a channel condition.
// Every part is optional; a sample counts when it passes all that are set.
struct CellMapFilter {
    std::optional<double> firstIndex;
    std::optional<double> lastIndex;
    std::optional<double> fromSeconds;
    std::optional<double> toSeconds;
    std::optional<ChannelCondition> condition;
};

struct CellMapOptions {
    CorrectionBasis basis = CorrectionBasis::InjectionTime;
    // The channel whose mean, minimum and maximum each cell gathers.
    Channel channel = Channel::TVT;
    CellMapFilter filter;
};

struct CellDwell {
    qint64 samples = 0;
    double seconds = 0;
    double percent = 0; // of the time counted on the whole table
    double mean = 0;    // of the chosen channel
    double minimum = std::numeric_limits<double>::infinity();
    double maximum = -std::numeric_limits<double>::infinity();
    bool visited() const { return samples > 0; }
};

class CellMap {
public:
    // column and row 1..8 as on the page.
    const CellDwell& at(int column, int row) const {
        return m_cells[std::size_t((row - 1) * kTableColumns + (column - 1))];
    }
    qint64 samples() const { return m_samples; }
    double seconds() const { return m_seconds; }
    Channel channel() const { return m_channel; }
    CorrectionBasis basis() const { return m_basis; }
    // The largest dwell and the range of the cells' means, for a colour scale; 0 when no cell
    // was visited.
    double largestPercent() const;
    double lowestMean() const;
    double highestMean() const;

private:
    friend CellMap MapRecording(const SampleGrid&, const CellMapOptions&);
    std::array<CellDwell, kTableCells> m_cells{};
    qint64 m_samples = 0;
    double m_seconds = 0;
    Channel m_channel = Channel::TVT;
    CorrectionBasis m_basis = CorrectionBasis::InjectionTime;
};

// The map of a recording's samples. A sample lasts until the next one starts (the last one as
// long as the one before it); a time step that is not positive counts as the step before it.
// When the counted samples last no time at all (one sample, or a file whose times do not move),
// the percentages share out the samples instead.
CellMap MapRecording(const SampleGrid& grid, const CellMapOptions& options);

// A channel by its program name ("TVT", "PVK", "T" …), case ignored.
std::optional<Channel> ChannelByName(const QString& name);

} // namespace telemetry
