#include "curve_chart.h"

#include "curve_model.h"
#include "decimal_format.h"

#include <QToolTip>

#include <cmath>

using namespace curve;

namespace {

const QColor kYellow(255, 215, 0);
const QColor kCurveRed(220, 0, 0);
constexpr double kHitPixels = 7;
constexpr double kVoltsFrom = -0.05;
constexpr double kVoltsTo = 5.1;

QVector<double> Positions(qsizetype n) {
    QVector<double> k;
    for (qsizetype i = 0; i < n; ++i)
        k.append(double(i));
    return k;
}

} // namespace

CurveChart::CurveChart(QWidget* parent) : QCustomPlot(parent) {
    build();
    connect(this, &QCustomPlot::mousePress, this, &CurveChart::pressed);
    connect(this, &QCustomPlot::mouseMove, this, &CurveChart::moved);
    connect(this, &QCustomPlot::mouseRelease, this, &CurveChart::released);
    connect(this, &QCustomPlot::mouseDoubleClick, this, [this] {
        yAxis->setRange(kVoltsFrom, kVoltsTo);
        replot(QCustomPlot::rpQueuedReplot);
    });
}

void CurveChart::build() {
    // Axis numbers with the separator of the grid's values.
    setLocale(DecimalFormat().locale());
    setObjectName(QStringLiteral("Chart_Bis"));
    setMinimumSize(300, 200);
    setMouseTracking(true);
    xAxis->setRange(-0.5, 63.5);
    yAxis->setRange(kVoltsFrom, kVoltsTo);
    setSelectionRectMode(QCP::srmZoom);
    axisRect()->setRangeZoomAxes(nullptr, yAxis);
    axisRect()->setRangeDragAxes(nullptr, yAxis);
    xAxis->setLabel(QStringLiteral("Относительное количество топлива или расход воздуха"));
    yAxis->setLabel(QStringLiteral("Напряжение, В или расход воздуха"));
    QSharedPointer<QCPAxisTickerFixed> volts(new QCPAxisTickerFixed);
    volts->setTickStep(0.5);
    yAxis->setTicker(volts);
    m_curveGraph = addGraph();
    m_curveGraph->setPen(QPen(kCurveRed, 3));
    m_curveGraph->setScatterStyle(
        QCPScatterStyle(QCPScatterStyle::ssSquare, QPen(kCurveRed), QBrush(Qt::white), 6));
    // The values last read from the module: a thin dashed reference under the curve, labelled
    // at its end. Nothing is edited on it.
    m_readGraph = addGraph();
    m_readGraph->setLayer(QStringLiteral("grid"));
    m_readGraph->setPen(QPen(QColor(110, 110, 110), 1, Qt::DashLine));
    m_readLabel = new QCPItemText(this);
    m_readLabel->setObjectName(QStringLiteral("Lbl_Chart_Bis_Read"));
    m_readLabel->setColor(QColor(110, 110, 110));
    m_readLabel->setVisible(false);
    for (int i = 1; i <= MarkerCount; ++i) {
        auto* marker = new QCPItemTracer(this);
        marker->setObjectName(QStringLiteral("Shape_Yellow%1").arg(i));
        marker->setStyle(QCPItemTracer::tsSquare);
        marker->setSize(9);
        marker->setPen(QPen(QColor(160, 130, 0)));
        marker->setBrush(kYellow);
        marker->setLayer(QStringLiteral("overlay"));
        marker->setVisible(false);
        m_markers.append(marker);
        m_markerHints.append(QString());
    }
}

void CurveChart::showValues(const QVector<double>& values) {
    m_values = values;
    m_curveGraph->setData(Positions(values.size()), values, true);
    replot(QCustomPlot::rpQueuedReplot);
}

void CurveChart::showRead(const QVector<double>& values) {
    m_readGraph->setData(Positions(values.size()), values, true);
    // Beside the line's end: below it near the top of the plot, above it elsewhere.
    const double end = values.value(kPointCount - 1);
    m_readLabel->setPositionAlignment(Qt::AlignRight |
                                      (end > 4.5 ? Qt::AlignTop : Qt::AlignBottom));
    m_readLabel->position->setCoords(kPointCount - 1, end);
    m_readLabel->setVisible(true);
    replot(QCustomPlot::rpQueuedReplot);
}

void CurveChart::showPositions(const QStringList& positions) {
    // Every 4 points (2 with the stretched range) and the last.
    QSharedPointer<QCPAxisTickerText> ticker(new QCPAxisTickerText);
    for (int i = 0; i < positions.size(); i += 4)
        ticker->addTick(i, positions[i]);
    if (!positions.isEmpty())
        ticker->addTick(positions.size() - 1, positions.last());
    xAxis->setTicker(ticker);
    replot(QCustomPlot::rpQueuedReplot);
}

void CurveChart::clearProposals() {
    for (QCPGraph* g : std::as_const(m_proposalGraphs))
        removeGraph(g);
    m_proposalGraphs.clear();
    m_proposalColours.clear();
    replot(QCustomPlot::rpQueuedReplot);
}

void CurveChart::drawArcs(const ArcProposal& arcs) {
    clearProposals();
    for (const ArcSegment& segment : arcs.segments) {
        // The chosen candidate is drawn last, over the others.
        QList<int> order;
        for (int u = 0; u < kArcCandidateCount; ++u) {
            if (u != segment.chosen)
                order.append(u);
        }
        order.append(segment.chosen);
        for (const int u : order) {
            QVector<double> keys;
            for (int j = 0; j < segment.candidates[u].size(); ++j)
                keys.append(segment.from + j);
            QCPGraph* g = addGraph();
            const QColor colour = u == segment.chosen ? QColor(Qt::red) : kYellow;
            g->setPen(QPen(colour, u == segment.chosen ? 2 : 1));
            g->setData(keys, segment.candidates[u], true);
            m_proposalGraphs.append(g);
            m_proposalColours.append(colour);
        }
    }
    replot(QCustomPlot::rpQueuedReplot);
}

void CurveChart::drawLine(const LineProposal& line) {
    clearProposals();
    QCPGraph* g = addGraph();
    g->setPen(QPen(kYellow, 3));
    g->setData(Positions(line.values.size()), line.values, true);
    m_proposalGraphs.append(g);
    m_proposalColours.append(kYellow);
    replot(QCustomPlot::rpQueuedReplot);
}

void CurveChart::placeMarker(int number, double x, double u, const QString& hint) {
    if (number < 1 || number > MarkerCount)
        return;
    QCPItemTracer* marker = m_markers[number - 1];
    marker->position->setCoords(x, u);
    marker->setVisible(true);
    m_markerHints[number - 1] = hint;
    replot(QCustomPlot::rpQueuedReplot);
}

void CurveChart::hideMarkersFrom(int first) {
    for (int i = std::max(1, first); i <= MarkerCount; ++i)
        m_markers[i - 1]->setVisible(false);
    replot(QCustomPlot::rpQueuedReplot);
}

CurveChart::MarkerView CurveChart::marker(int number) const {
    const QCPItemTracer* m = m_markers.value(number - 1);
    if (!m)
        return {};
    return {m->visible(), m->position->coords().x(), m->position->coords().y(),
            m_markerHints.value(number - 1)};
}

int CurveChart::pointAt(const QPointF& pos) const {
    int best = -1;
    double bestDistance = kHitPixels;
    for (int i = 0; i < m_values.size(); ++i) {
        const QPointF p(xAxis->coordToPixel(i), yAxis->coordToPixel(m_values[i]));
        const double d = std::hypot(p.x() - pos.x(), p.y() - pos.y());
        if (d <= bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

void CurveChart::pressed(QMouseEvent* event) {
    m_panFrom = event->button() == Qt::RightButton ? event->position().y() : -1;
    const int point = pointAt(event->position());
    if (point < 0 || (editingAllowed && !editingAllowed()))
        return;
    m_panFrom = -1;
    // A press on a point moves the point, not the zoom rectangle.
    setSelectionRectMode(QCP::srmNone);
    m_selected = point;
    emit pointPressed(point);
    if (event->button() == Qt::RightButton) {
        emit proposalRequested(point);
        m_selected = -1;
        return;
    }
    m_dragging = event->button() == Qt::LeftButton;
    if (m_dragging)
        emit dragStarted();
}

void CurveChart::moved(QMouseEvent* event) {
    if (m_dragging && m_selected >= 0) {
        emit dragged(m_selected, yAxis->pixelToCoord(event->position().y()));
        return;
    }
    if (m_panFrom >= 0 && (event->buttons() & Qt::RightButton)) {
        const double by =
            yAxis->pixelToCoord(m_panFrom) - yAxis->pixelToCoord(event->position().y());
        yAxis->moveRange(by);
        m_panFrom = event->position().y();
        replot(QCustomPlot::rpQueuedReplot);
        return;
    }
    // The markers' hints.
    for (int i = 0; i < m_markers.size(); ++i) {
        QCPItemTracer* marker = m_markers[i];
        if (!marker->visible())
            continue;
        const QPointF p = marker->position->pixelPosition();
        if (std::fabs(p.x() - event->position().x()) <= 5 &&
            std::fabs(p.y() - event->position().y()) <= 5) {
            QToolTip::showText(event->globalPosition().toPoint(), m_markerHints[i], this);
            return;
        }
    }
}

void CurveChart::released() {
    if (m_dragging)
        emit dragFinished();
    m_dragging = false;
    m_selected = -1;
    m_panFrom = -1;
    setSelectionRectMode(QCP::srmZoom);
}
