#include "recording_chart.h"

#include "decimal_format.h"

#include <cmath>
#include <utility>

namespace {

// Ticks on whole point indices, labelled with the point's own text (its sample time): a tick
// between two points has no time to show.
class PointLabelTicker : public QCPAxisTicker {
public:
    PointLabelTicker(std::function<QString(int)> label, const int& pointCount)
        : m_label(std::move(label)), m_pointCount(pointCount) {}

protected:
    double getTickStep(const QCPRange& range) override {
        return std::max(1.0, std::ceil(QCPAxisTicker::getTickStep(range)));
    }
    QString getTickLabel(double tick, const QLocale& locale, QChar formatChar,
                         int precision) override {
        const double index = std::round(tick);
        if (std::abs(tick - index) > 1e-6 || index < 0 || index >= m_pointCount)
            return {};
        if (!m_label)
            return QCPAxisTicker::getTickLabel(tick, locale, formatChar, precision);
        return m_label(int(index));
    }

private:
    std::function<QString(int)> m_label;
    const int& m_pointCount;
};

} // namespace

RecordingChart::RecordingChart(int recordingNumber, QWidget* parent) : QCustomPlot(parent) {
    setObjectName(QStringLiteral("ChartM_%1").arg(recordingNumber));
    // The axis numbers use the decimal separator of the value labels beside the chart.
    setLocale(DecimalFormat().locale());
    setNoAntialiasingOnDrag(true);
    setPlottingHint(QCP::phFastPolylines, true);
    // Antialiased lines cost several times more to draw, and the series are dense.
    setNotAntialiasedElements(QCP::aePlottables);
    yAxis2->setVisible(true);
    yAxis->setRange(0, 10);
    yAxis2->setRange(0, 5000);
    xAxis->setRange(0, 1);
    for (int i = 0; i < SeriesCount; ++i) {
        QCPGraph* g = addGraph(xAxis, i >= FirstRightSeries ? yAxis2 : yAxis);
        g->setAdaptiveSampling(true);
        g->setPen(QPen(Qt::black, basePenWidth(i)));
    }
    xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new PointLabelTicker({}, m_points)));
    m_marker = new QCPItemStraightLine(this);
    m_marker->setPen(QPen(QColor(255, 79, 79), 3));
    m_marker->setVisible(false);
    m_cursorTime = new QCPItemText(this);
    m_cursorTime->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_cursorTime->position->setAxisRect(axisRect());
    m_cursorTime->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
    m_cursorTime->setColor(QColor(200, 40, 40));
    m_cursorTime->setBrush(QBrush(QColor(255, 255, 255, 210)));
    m_cursorTime->setVisible(false);
    setMouseTracking(true);
}

void RecordingChart::setSeriesColour(int series, const QColor& colour) {
    QPen pen = graph(series)->pen();
    pen.setColor(colour);
    graph(series)->setPen(pen);
}

void RecordingChart::setSeriesActive(int series, bool active) {
    graph(series)->setVisible(active);
}

bool RecordingChart::seriesActive(int series) const {
    return graph(series)->visible();
}

void RecordingChart::addToEnvelope(int series, int index, double v) {
    QVector<Bucket>& envelope = m_envelopes[size_t(series)];
    const qsizetype bucket = index / m_bucketSize;
    if (bucket == envelope.size()) {
        envelope.append({v, v, index, index});
        return;
    }
    Bucket& b = envelope[bucket];
    if (v < b.min) {
        b.min = v;
        b.minIndex = index;
    }
    if (v > b.max) {
        b.max = v;
        b.maxIndex = index;
    }
}

void RecordingChart::rebuildEnvelopes() {
    while (m_points / m_bucketSize > MaxBuckets)
        m_bucketSize *= 2;
    for (int s = 0; s < ChannelSeriesCount; ++s) {
        m_envelopes[size_t(s)].clear();
        const QVector<double>& values = m_values[size_t(s)];
        for (int i = 0; i < values.size(); ++i)
            addToEnvelope(s, i, values[i]);
    }
}

// Puts buckets fromBucket .. last into the graph, after what it holds before them.
void RecordingChart::showEnvelope(int series, qsizetype fromBucket) {
    QCPGraph* g = graph(series);
    g->data()->removeAfter(double(fromBucket * m_bucketSize) - 0.5);
    const QVector<Bucket>& envelope = m_envelopes[size_t(series)];
    QVector<double> keys, values;
    keys.reserve(2 * (envelope.size() - fromBucket));
    values.reserve(keys.capacity());
    for (qsizetype i = fromBucket; i < envelope.size(); ++i) {
        const Bucket& b = envelope[i];
        const bool minFirst = b.minIndex <= b.maxIndex;
        keys << (minFirst ? b.minIndex : b.maxIndex);
        values << (minFirst ? b.min : b.max);
        if (b.minIndex != b.maxIndex) {
            keys << (minFirst ? b.maxIndex : b.minIndex);
            values << (minFirst ? b.max : b.min);
        }
    }
    g->addData(keys, values, true);
}

void RecordingChart::syncDisplay() {
    const double lower = m_bottomAutomatic ? 0 : xAxis->range().lower;
    const double upper = m_bottomAutomatic ? m_points : xAxis->range().upper;
    m_envelopeShown = upper - lower > FullDetailSpan;
    for (int s = 0; s < ChannelSeriesCount; ++s) {
        if (m_envelopeShown) {
            showEnvelope(s, 0);
            continue;
        }
        const QVector<double>& values = m_values[size_t(s)];
        const int from = std::clamp(int(std::floor(lower)) - 1, 0, int(values.size()));
        const int to = std::clamp(int(std::ceil(upper)) + 2, from, int(values.size()));
        QVector<double> keys(to - from);
        for (int i = from; i < to; ++i)
            keys[i - from] = i;
        graph(s)->setData(keys, values.mid(from, to - from), true);
    }
}

void RecordingChart::appendPoint(const std::array<double, ChannelSeriesCount>& values) {
    const int index = m_points++;
    for (int s = 0; s < ChannelSeriesCount; ++s) {
        m_values[size_t(s)].append(values[size_t(s)]);
        addToEnvelope(s, index, values[size_t(s)]);
    }
    if (m_bottomAutomatic)
        xAxis->setRange(0, std::max(1.0, double(index)));
    const bool envelopeWanted =
        (m_bottomAutomatic ? m_points : xAxis->range().size()) > FullDetailSpan;
    if (m_points / m_bucketSize > MaxBuckets || envelopeWanted != m_envelopeShown) {
        rebuildEnvelopes();
        syncDisplay();
        return;
    }
    for (int s = 0; s < ChannelSeriesCount; ++s) {
        if (m_envelopeShown)
            showEnvelope(s, index / m_bucketSize);
        else if (index <= xAxis->range().upper + 1)
            graph(s)->addData(index, values[size_t(s)]);
    }
}

void RecordingChart::setValues(const std::array<QVector<double>, ChannelSeriesCount>& values) {
    m_values = values;
    m_points = 0;
    for (const QVector<double>& v : values)
        m_points = std::max(m_points, int(v.size()));
    m_bucketSize = 1;
    rebuildEnvelopes();
    if (m_bottomAutomatic)
        xAxis->setRange(0, std::max(1.0, double(m_points - 1)));
    syncDisplay();
}

void RecordingChart::clearSeries() {
    setValues({});
}

void RecordingChart::setLeftRange(double minimum, double maximum) {
    yAxis->setRange(minimum, maximum);
}

void RecordingChart::setRightRange(double minimum, double maximum) {
    yAxis2->setRange(minimum, maximum);
}

// A new window is drawn without waiting for the next point or mouse move (a stopped recording
// gets neither).
void RecordingChart::setBottomAutomatic() {
    m_bottomAutomatic = true;
    xAxis->setRange(0, std::max(1.0, double(m_points - 1)));
    syncDisplay();
    refresh();
}

void RecordingChart::setBottomWindow(double minimum, double maximum) {
    m_bottomAutomatic = false;
    xAxis->setRange(minimum, maximum);
    syncDisplay();
    refresh();
}

void RecordingChart::setPointLabels(std::function<QString(int)> pointLabel) {
    m_pointLabel = pointLabel;
    xAxis->setTicker(
        QSharedPointer<QCPAxisTicker>(new PointLabelTicker(std::move(pointLabel), m_points)));
    refresh();
}

void RecordingChart::refresh() {
    replot(QCustomPlot::rpQueuedReplot);
}

void RecordingChart::setMarker(double x, bool visible) {
    m_marker->point1->setCoords(x, 0);
    m_marker->point2->setCoords(x, 1);
    m_marker->setVisible(visible);
    const int index = int(std::lround(x));
    const bool onPoint = visible && index >= 0 && index < m_points;
    if (onPoint) {
        m_cursorTime->position->setCoords(x, 0.0);
        m_cursorTime->setText(QLatin1Char(' ') +
                              (m_pointLabel ? m_pointLabel(index) : QString::number(index)) +
                              QLatin1Char(' '));
    }
    m_cursorTime->setVisible(onPoint);
    refresh();
}

QString RecordingChart::cursorTimeText() const {
    return m_cursorTime->visible() ? m_cursorTime->text().trimmed() : QString();
}

bool RecordingChart::markerVisible() const {
    return m_marker->visible();
}

int RecordingChart::seriesAt(const QPointF& position) const {
    int best = -1;
    double bestDistance = selectionTolerance();
    for (int i = 0; i < ChannelSeriesCount; ++i) {
        const QCPGraph* g = graph(i);
        if (!g->visible() || g->dataCount() == 0)
            continue;
        const double d = g->selectTest(position, false);
        if (d >= 0 && d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

void RecordingChart::widen(int series) {
    if (series == m_hovered)
        return;
    m_hovered = series;
    for (int i = 0; i < SeriesCount; ++i) {
        QPen pen = graph(i)->pen();
        pen.setWidth(i == series ? 5 : basePenWidth(i));
        graph(i)->setPen(pen);
    }
    emit seriesHovered(series);
    refresh();
}

std::optional<QCPRange> RecordingChart::visibleValueRange(bool rightAxis) const {
    if (m_points == 0)
        return std::nullopt;
    const double lower = m_bottomAutomatic ? 0 : xAxis->range().lower;
    const double upper = m_bottomAutomatic ? m_points - 1 : xAxis->range().upper;
    const int from = std::max(0, int(std::ceil(lower)));
    const int to = std::min(m_points - 1, int(std::floor(upper)));
    std::optional<QCPRange> range;
    for (int series = rightAxis ? FirstRightSeries : 0;
         series < (rightAxis ? ChannelSeriesCount : FirstRightSeries); ++series) {
        if (!seriesActive(series))
            continue;
        const QVector<double>& values = m_values[size_t(series)];
        for (int i = from; i <= std::min(to, int(values.size()) - 1); ++i) {
            const double v = values.at(i);
            if (!std::isfinite(v))
                continue;
            if (!range)
                range = QCPRange(v, v);
            range->lower = std::min(range->lower, v);
            range->upper = std::max(range->upper, v);
        }
    }
    if (range && range->lower == range->upper)
        *range = QCPRange(range->lower - 1, range->upper + 1);
    return range;
}

void RecordingChart::zoomTime(double factor, double aroundX) {
    const double last = std::max(1.0, double(m_points - 1));
    const QCPRange now = xAxis->range();
    double lower = aroundX - (aroundX - now.lower) * factor;
    double upper = aroundX + (now.upper - aroundX) * factor;
    if (upper - lower < MinimumSpan) {
        const double middle = (lower + upper) / 2;
        lower = middle - MinimumSpan / 2.0;
        upper = middle + MinimumSpan / 2.0;
    }
    if (upper - lower >= last) {
        setBottomAutomatic();
        return;
    }
    // Kept inside the recording.
    const double span = upper - lower;
    lower = std::clamp(lower, 0.0, last - span);
    setBottomWindow(lower, lower + span);
}

void RecordingChart::panTime(double byPoints) {
    const double last = std::max(1.0, double(m_points - 1));
    const QCPRange now = xAxis->range();
    const double span = std::min(now.size(), last);
    const double lower = std::clamp(now.lower + byPoints, 0.0, last - span);
    setBottomWindow(lower, lower + span);
}

void RecordingChart::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 120;
    if (steps == 0 || m_points < 2) {
        event->ignore();
        return;
    }
    zoomTime(std::pow(0.8, steps), xAxis->pixelToCoord(event->position().x()));
    event->accept();
}

void RecordingChart::mouseDoubleClickEvent(QMouseEvent* event) {
    setBottomAutomatic();
    // The first click of the pair moved the cursor line: it goes back, with the values shown.
    if (const auto before = std::exchange(m_cursorBeforeClick, std::nullopt)) {
        setMarker(before->first, before->second);
        emit markerMoved(before->first);
        if (const int index = int(std::lround(before->first));
            before->second && index >= 0 && index < m_points)
            emit cursorMoved(index);
    }
    m_releaseEndsDoubleClick = event->button() == Qt::LeftButton;
    event->accept();
}

void RecordingChart::mouseMoveEvent(QMouseEvent* event) {
    if (m_panFrom >= 0 && (event->buttons() & Qt::RightButton)) {
        panTime(xAxis->pixelToCoord(m_panFrom) - xAxis->pixelToCoord(event->position().x()));
        m_panFrom = event->position().x();
        return;
    }
    widen(seriesAt(event->position()));
    QCustomPlot::mouseMoveEvent(event);
}

void RecordingChart::mousePressEvent(QMouseEvent* event) {
    m_panFrom = event->button() == Qt::RightButton ? event->position().x() : -1;
    if (seriesAt(event->position()) >= 0) {
        const int index = int(std::lround(xAxis->pixelToCoord(event->position().x())));
        if (index >= 0 && index < m_points)
            emit pointClicked(index);
    }
    QCustomPlot::mousePressEvent(event);
}

void RecordingChart::leaveEvent(QEvent* event) {
    widen(-1); // the hovered line goes back to its width when the mouse leaves the chart
    QCustomPlot::leaveEvent(event);
}

void RecordingChart::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton || m_releaseEndsDoubleClick) {
        m_panFrom = -1; // a pan does not move the marker, nor does a double click
        m_releaseEndsDoubleClick = false;
        QCustomPlot::mouseReleaseEvent(event);
        return;
    }
    const double x = xAxis->pixelToCoord(event->position().x());
    m_cursorBeforeClick = std::pair{m_marker->point1->coords().x(), markerVisible()};
    setMarker(x, true);
    emit markerMoved(x);
    if (const int index = int(std::lround(x)); index >= 0 && index < m_points)
        emit cursorMoved(index);
    QCustomPlot::mouseReleaseEvent(event);
}
