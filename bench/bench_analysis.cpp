// The cell map of a long recording: 1,000,000 samples (about 69 hours at 250 ms) placed on the
// table cells, as the table page's overlay and marvek2-cli analyze build it.
#include "bench_stats.h"
#include "cell_map.h"

#include <QElapsedTimer>

#include <cmath>
#include <cstdio>

using namespace telemetry;

namespace {

constexpr qsizetype kSamples = 1'000'000;
constexpr int kRounds = 15;

// A drive that sweeps speed and load at different rates, so every cell sees samples, with
// whole-number cells as a recording holds them.
SampleGrid drive() {
    SampleGrid grid;
    for (qsizetype i = 0; i < kSamples; ++i) {
        const double t = double(i);
        SampleRow row{};
        row[kStepColumn] = t * 25;
        row[ColumnOfSeries(SeriesOf(Channel::PVK))] =
            std::round(100 * (5000 + 4500 * std::sin(t / 997)));
        row[ColumnOfSeries(SeriesOf(Channel::TVT))] =
            std::round(100 * (11 + 10 * std::sin(t / 313)));
        row[ColumnOfSeries(SeriesOf(Channel::U_analog))] =
            std::round(100 * (2.5 + 2.4 * std::sin(t / 211)));
        row[ColumnOfSeries(SeriesOf(Channel::T))] =
            std::round(100 * (60 + 40 * std::sin(t / 7919)));
        grid.append(row);
    }
    return grid;
}

void measure(const char* what, const SampleGrid& grid, const CellMapOptions& options) {
    std::vector<double> ms;
    qint64 counted = 0;
    for (int i = 0; i < kRounds; ++i) {
        QElapsedTimer clock;
        clock.start();
        const CellMap map = MapRecording(grid, options);
        ms.push_back(double(clock.nsecsElapsed()) / 1e6);
        counted = map.samples();
    }
    printPercentiles(what, ms, "ms");
    std::printf("    %lld samples counted\n", static_cast<long long>(counted));
}

} // namespace

int main() {
    const SampleGrid grid = drive();
    std::printf("recording of %lld samples\n", static_cast<long long>(grid.rowCount()));
    measure("dwell, injection-time basis", grid,
            {CorrectionBasis::InjectionTime, Channel::TVT, {}});
    measure("dwell, MAF basis", grid, {CorrectionBasis::Maf, Channel::U_analog, {}});
    CellMapFilter warm;
    warm.condition = ChannelCondition{Channel::T, ChannelCondition::Comparison::Above, 80};
    measure("mean of T, temperature above 80", grid,
            {CorrectionBasis::InjectionTime, Channel::T, warm});
    CellMapFilter window;
    window.firstIndex = double(kSamples / 4);
    window.lastIndex = double(kSamples / 2);
    measure("a chart window of 250,000 points", grid,
            {CorrectionBasis::InjectionTime, Channel::TVT, window});
    CellMapFilter span;
    span.fromSeconds = 1000;
    span.toSeconds = 100000;
    measure("a span of sample times", grid, {CorrectionBasis::InjectionTime, Channel::TVT, span});
    return 0;
}
