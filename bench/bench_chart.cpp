// A recording chart holding 100,000 points per series: the cost of adding one sample and
// redrawing, as every graph tick does. Runs offscreen unless a display is set.
#include "bench_stats.h"
#include "recording_chart.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cmath>

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RecordingChart chart(1);
    chart.resize(1200, 700);
    chart.show();
    for (int s = 0; s < RecordingChart::ChannelSeriesCount; ++s)
        chart.setSeriesColour(s, QColor::fromHsv(s * 36, 255, 200));
    chart.setLeftRange(0, 25);
    chart.setRightRange(0, 5000);

    auto sample = [](int i) {
        std::array<double, RecordingChart::ChannelSeriesCount> v{};
        for (int s = 0; s < RecordingChart::ChannelSeriesCount; ++s)
            v[size_t(s)] = (s >= 8 ? 2000 : 10) * (1.0 + std::sin(i * 0.01 + s));
        return v;
    };
    const int existing = 100000;
    for (int i = 0; i < existing; ++i)
        chart.appendPoint(sample(i));
    chart.replot();

    for (const bool continuous : {true, false}) {
        std::vector<double> times;
        QElapsedTimer clock;
        for (int i = 0; i < 300; ++i) {
            clock.start();
            chart.appendPoint(sample(existing + i));
            if (!continuous)
                chart.setBottomWindow(chart.pointCount() - 240, chart.pointCount());
            chart.replot(QCustomPlot::rpImmediateRefresh);
            times.push_back(double(clock.nsecsElapsed()) / 1e6);
        }
        printPercentiles(continuous ? "append + replot, 100k points/series, continuous"
                                    : "append + replot, 100k points/series, page of 240",
                         times, "ms");
    }
    return 0;
}
