#pragma once

#include <qcustomplot.h>

#include <array>
#include <functional>
#include <optional>

// The line chart of one recording: ten channel series and one empty series, the first eight on
// the left axis and the rest on the right one; X is the point index.
//
// Long recordings stay cheap to redraw: when the visible window spans more points than the chart
// is wide enough to show, the series are drawn from a min/max envelope of fixed-size buckets
// (kept up to date as points arrive), and from the points themselves otherwise.
class RecordingChart : public QCustomPlot {
    Q_OBJECT
public:
    static constexpr int SeriesCount = 11;
    static constexpr int ChannelSeriesCount = 10;
    static constexpr int FirstRightSeries = 8;

    explicit RecordingChart(int recordingNumber, QWidget* parent = nullptr);

    void setSeriesColour(int series, const QColor& colour);
    void setSeriesActive(int series, bool active);
    bool seriesActive(int series) const;

    // Adds one point to each channel series at the next point index.
    void appendPoint(const std::array<double, ChannelSeriesCount>& values);
    // Replaces all points (X = 0, 1, 2 ...), as when a recording is redrawn from its samples.
    void setValues(const std::array<QVector<double>, ChannelSeriesCount>& values);
    void clearSeries();
    double value(int series, int pointIndex) const {
        return m_values[size_t(series)].at(pointIndex);
    }
    // Whether the series are drawn from the envelope (for tests and benchmarks).
    bool drawsEnvelope() const { return m_envelopeShown; }
    int pointCount() const { return m_points; }

    void setLeftRange(double minimum, double maximum);
    void setRightRange(double minimum, double maximum);
    // Continuous display: the bottom axis follows all points.
    void setBottomAutomatic();
    // Page display and navigation: a fixed window of point indices.
    void setBottomWindow(double minimum, double maximum);
    bool bottomAutomatic() const { return m_bottomAutomatic; }

    // The bottom axis labels point i with pointLabel(i), the point's sample time in seconds; ticks
    // fall on whole point indices only. Without it the labels are the indices.
    void setPointLabels(std::function<QString(int)> pointLabel);

    // Redraws once control is back in the event loop; many changes in one turn cost one replot.
    void refresh();

    // The click marker: a vertical line at a point index, or hidden.
    void setMarker(double x, bool visible);
    bool markerVisible() const;
    // The time the cursor line shows, empty while it is hidden.
    QString cursorTimeText() const;

    // Looking through a recording like a log: the mouse wheel zooms the time axis around the
    // pointer (a window of at least MinimumSpan points), a drag with the right button pans it,
    // a double click shows all points again and leaves the cursor line where it was. Each is
    // drawn at once and leaves the bottom axis as a fixed window (bottomAutomatic false) except
    // the double click.
    static constexpr int MinimumSpan = 10;
    void zoomTime(double factor, double aroundX);
    void panTime(double byPoints);

    // "Fit" of a value axis: the lowest and highest value of the active channel series on that
    // axis (the first eight on the left, the rest on the right) over the points visible now;
    // nothing when no such point has a value. A flat series gets a range of one either side.
    std::optional<QCPRange> visibleValueRange(bool rightAxis) const;

signals:
    void seriesHovered(int series); // -1: none
    void pointClicked(int pointIndex);
    void markerMoved(double x);
    // A left click placed the cursor line on a point of the recording: the page shows every
    // visible channel's value there; the line carries the point's time.
    void cursorMoved(int pointIndex);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // Points shown one by one up to this window span; beyond it the envelope is drawn.
    static constexpr int FullDetailSpan = 4000;
    static constexpr int MaxBuckets = 1024;

    struct Bucket {
        double min, max;
        int minIndex, maxIndex;
    };
    void addToEnvelope(int series, int index, double v);
    void rebuildEnvelopes();
    void showEnvelope(int series, qsizetype fromBucket);
    void syncDisplay();
    int seriesAt(const QPointF& position) const;
    int basePenWidth(int series) const { return series >= FirstRightSeries ? 3 : 1; }
    void widen(int series);

    std::array<QVector<double>, ChannelSeriesCount> m_values;
    std::array<QVector<Bucket>, ChannelSeriesCount> m_envelopes;
    int m_bucketSize = 1;
    bool m_envelopeShown = false;
    int m_points = 0;
    bool m_bottomAutomatic = true;
    int m_hovered = -1;
    QCPItemStraightLine* m_marker = nullptr;
    double m_panFrom = -1; // the pixel column a right drag started from; -1: no pan
    // Where the last left click found the cursor line (x, shown), for a double click to undo.
    std::optional<std::pair<double, bool>> m_cursorBeforeClick;
    bool m_releaseEndsDoubleClick = false;
    std::function<QString(int)> m_pointLabel;
    QCPItemText* m_cursorTime = nullptr;
};
