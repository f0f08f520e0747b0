#pragma once

#include "chart_navigation.h"
#include "sample_grid.h"
#include "telemetry_channel.h"

#include <QObject>
#include <QString>

#include <array>
#include <memory>
#include <vector>

class DecimalFormat;

namespace telemetry {

// One RecordingTab's data: its SampleGrid, which series its chart shows and the window of its
// bottom axis. Made by each Start and by each record file loaded. The chart draws every point
// from the grid (Y = cell / 100), so a live chart, the same chart redrawn and the recording
// reopened from its file show the same two-decimal values.
class Recording : public QObject {
    Q_OBJECT
public:
    enum class Origin { Live, File };

    Recording(int number, const QString& caption, Origin origin, QObject* parent = nullptr);

    // The recording number; the chart's internal name is "ChartM_" + number.
    int number() const { return m_number; }
    QString chartName() const { return QStringLiteral("ChartM_%1").arg(m_number); }
    // The tab caption: the number for a live recording, the file name without its folder and
    // its last four characters for a loaded file.
    const QString& caption() const { return m_caption; }
    Origin origin() const { return m_origin; }

    const SampleGrid& grid() const { return m_grid; }
    // TotalPointCounter of this recording.
    qsizetype sampleCount() const { return m_grid.rowCount(); }
    // Y of series s at point index i.
    double value(int series, qsizetype index) const {
        return m_grid.cell(index, ColumnOfSeries(series)) / 100;
    }
    // The ten channel values of point index, for a chart that adds one point to every series.
    std::array<double, kChannelCount> pointValues(qsizetype index) const;
    // Y values of a series for points [first, first + count), clipped; appended to out.
    void seriesValues(int series, qsizetype first, qsizetype count, QList<double>& out) const;
    // The point's label: the "Step" cell / 100 as text ("0,25").
    QString sampleTimeText(qsizetype index, const DecimalFormat& format) const;

    void appendSample(const SampleRow& row);
    // Replaces all samples at once (a loaded file).
    void setSamples(SampleGrid grid);

    bool isSeriesActive(int series) const { return m_seriesActive[std::size_t(series)]; }
    void setSeriesActive(int series, bool active);

    const BottomWindow& bottomWindow() const { return m_bottomWindow; }
    void setBottomWindow(const BottomWindow& window);

signals:
    // Rows first … first + count − 1 were appended: add their points to the chart.
    void samplesAppended(qsizetype first, qsizetype count);
    // All samples were replaced: redraw every series.
    void samplesReset();
    void seriesActiveChanged(int series, bool active);
    void bottomWindowChanged(const telemetry::BottomWindow& window);

private:
    int m_number;
    QString m_caption;
    Origin m_origin;
    SampleGrid m_grid;
    std::array<bool, kSeriesCount> m_seriesActive;
    BottomWindow m_bottomWindow;
};

// The tabs of spc_Graph as data: every recording of this run in tab order, the current one
// (CurrentChart and its SampleGrid, what the chart controls act on) and the recording number.
class RecordingArchive : public QObject {
    Q_OBJECT
public:
    explicit RecordingArchive(QObject* parent = nullptr);
    ~RecordingArchive() override;

    int count() const { return int(m_recordings.size()); }
    Recording* at(int index) const;
    int indexOf(const Recording* recording) const;
    bool isLast(const Recording* recording) const;

    // CurrentChart; null when there is no tab.
    Recording* current() const { return m_current; }
    int currentIndex() const { return indexOf(m_current); }

    // The next recording number (1 at start; each Start and each loaded file takes one).
    int nextNumber() const { return m_nextNumber; }

    // Adds a recording at the end, with its samples, makes it current and takes the next
    // number. An empty caption gives the number as the caption.
    Recording* create(const QString& caption, Recording::Origin origin,
                      SampleGrid samples = SampleGrid());
    // Makes the recording at index current (the tab the user selected).
    void select(int index);
    // Destroys the current recording; the tab that takes its place (the next one, else the new
    // last one) becomes current, or none when no tab is left.
    void removeCurrent();

signals:
    void recordingAdded(int index, telemetry::Recording* recording);
    // Emitted before the recording is destroyed.
    void recordingAboutToBeRemoved(int index, telemetry::Recording* recording);
    void recordingRemoved(int index);
    void currentChanged(telemetry::Recording* current);

private:
    void setCurrent(Recording* recording);

    std::vector<std::unique_ptr<Recording>> m_recordings;
    Recording* m_current = nullptr;
    int m_nextNumber = 1;
};

} // namespace telemetry
