#pragma once

#include "curve_messages.h"

#include <QVector>

#include <array>
#include <optional>

// The two smoothing proposals of the curve chart ("Сглаживание точек Лямбда"), computed from the
// edit series and the point the user right-clicked. Pure functions.
namespace curve {

inline constexpr int kArcCandidateCount = 24;
// Ratios p1 .. p24 of the arc candidates: each step's rise is p times the step before.
const std::array<double, kArcCandidateCount>& ArcRatios();
inline constexpr int kLinePointCount = 67;

// "Прямая" (MAP sensor): the line through (1, 0) and (k, Y[k]), drawn over points 0 .. 66.
struct LineProposal {
    int point = 0; // k
    double slope = 0;
    double offset = 0;
    QVector<double> values; // 67 values slope * i + offset
};

// Refused when k is 1 (the line would have no length) or k lies outside the series; Y[k] = 0
// gives the flat line at 0.
struct LineResult {
    std::optional<LineProposal> proposal;
    Message error;
};
LineResult ProposeLine(const QVector<double>& edit, int point);

// One segment of the arcs: points a .. z of the curve.
struct ArcSegment {
    int from = 0;
    int to = 0;
    // candidates[u][j]: the value of candidate u (0-based) at point from + j, j = 0 .. to - from.
    std::array<QVector<double>, kArcCandidateCount> candidates;
    std::array<double, kArcCandidateCount> errors{};
    int chosen = 0; // 0-based
};

// The candidate arc from (a, ya) to (a + n, yz) with ratio p: the value at a + j is
// ya + c (p + .. + p^j) with c = (yz - ya) / (p + .. + p^n), so the increments shrink by p per
// step and the first carries (1 - p) / (1 - p^n) of the rise. n + 1 values, the last exactly yz.
QVector<double> ArcValues(double ya, double yz, int n, double p);
// Sum over the segment's points q whose edit value is not 0 of |arc(q) - Y[q]|.
double ArcError(const QVector<double>& arc, const QVector<double>& edit, int from);

// The choice between runs: the last error each segment produced and the candidate chosen.
struct ArcMemory {
    std::array<bool, 2> ran{false, false};
    std::array<double, 2> lastError{0, 0};
    std::array<int, 2> chosen{0, 0};
};

// The choice among the errors of one segment: going through the candidates, a candidate is
// chosen whenever its error is below the error before it (for the first: the segment's last
// error of the previous run); the last such candidate stays chosen, and when none is, the
// previous run's choice remains. A segment's first run starts from the candidate with the
// smallest error.
int ChooseArc(const std::array<double, kArcCandidateCount>& errors, const ArcMemory& memory,
              int segment);

// "Кривая" (MAF sensor): two arcs, from point 0 to k and from k to the first maximum e of the
// edit series.
struct ArcProposal {
    int start = 0; // s
    int point = 0; // k
    int end = 0;   // e
    std::array<ArcSegment, 2> segments;
    // The accepted curve: the chosen candidates' values by point for 0 .. e.
    QVector<double> chosenValues() const;
};

// Refused (memory unchanged) when k is 0, the maximum or beyond it (a segment of no length); a
// segment with equal ends is flat. On success the memory takes this run's errors and choices.
struct ArcResult {
    std::optional<ArcProposal> proposal;
    Message error;
};
ArcResult ProposeArcs(const QVector<double>& edit, int point, ArcMemory& memory);

} // namespace curve
