#pragma once

#include "curve_proposals.h"

#include <QList>
#include <QStringList>
#include <qcustomplot.h>

#include <functional>
#include <optional>

// Chart_Bis of the curve page: the curve (the grid's values), the last read for reference, the
// smoothing proposals and the live operating-point markers. A left drag on a point moves it, a
// right click on a point asks for a proposal; elsewhere a rectangle zooms and a right drag pans
// the voltage axis, and a double click shows its whole range again.
class CurveChart : public QCustomPlot {
    Q_OBJECT
public:
    static constexpr int MarkerCount = 100;

    explicit CurveChart(QWidget* parent = nullptr);

    // Whether a press on a point may move it or ask for a proposal (the grid is editable).
    std::function<bool()> editingAllowed;

    // The curve's values; a value that is not a number is a gap.
    void showValues(const QVector<double>& values);
    void showRead(const QVector<double>& values);
    void setReadLabelText(const QString& text) { m_readLabel->setText(text); }
    // The bottom axis: a label for each position.
    void showPositions(const QStringList& positions);

    void clearProposals();
    void drawArcs(const curve::ArcProposal& arcs);
    void drawLine(const curve::LineProposal& line);
    int proposalGraphCount() const { return int(m_proposalGraphs.size()); }
    // The colour of proposal graph i (red for the chosen candidates).
    QColor proposalColour(int i) const { return m_proposalColours.value(i); }

    // The markers placed so far: visible ones with their plot position and hint.
    struct MarkerView {
        bool visible = false;
        double x = 0;
        double u = 0;
        QString hint;
    };
    void placeMarker(int number, double x, double u, const QString& hint); // 1 .. 100
    void hideMarkersFrom(int first);
    MarkerView marker(int number) const;

signals:
    // A point was pressed (its status is shown).
    void pointPressed(int point);
    void proposalRequested(int point);
    // A left drag of a point: its start and end make one undo step.
    void dragStarted();
    void dragged(int point, double volts);
    void dragFinished();

private:
    void build();
    void pressed(QMouseEvent* event);
    void moved(QMouseEvent* event);
    void released();
    int pointAt(const QPointF& pos) const;

    QVector<double> m_values;
    QCPGraph* m_curveGraph = nullptr;
    QCPGraph* m_readGraph = nullptr; // the last complete read, for reference
    QCPItemText* m_readLabel = nullptr;
    QList<QCPGraph*> m_proposalGraphs;
    QList<QColor> m_proposalColours;
    QList<QCPItemTracer*> m_markers;
    QStringList m_markerHints;
    int m_selected = -1;
    bool m_dragging = false;
    double m_panFrom = -1; // the pixel row a right drag started from; -1: no pan
};
