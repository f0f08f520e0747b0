#include "curve_proposals.h"

#include <cmath>

namespace curve {

const std::array<double, kArcCandidateCount>& ArcRatios() {
    static const std::array<double, kArcCandidateCount> ratios = {
        0.5,  0.61,  0.68,  0.74,  0.78,  0.818, 0.84, 0.86,  0.88, 0.895, 0.91, 0.922,
        0.93, 0.937, 0.945, 0.952, 0.959, 0.965, 0.97, 0.975, 0.98, 0.985, 0.99, 0.995};
    return ratios;
}

LineResult ProposeLine(const QVector<double>& edit, int point) {
    LineResult result;
    if (point == 1 || point < 0 || point >= edit.size()) {
        result.error = MakeMessage(kMsgLineSegment);
        return result;
    }
    // Y[k] = 0 gives the flat line at 0, a proposal like any other.
    const double yk = edit.at(point);
    LineProposal line;
    line.point = point;
    line.slope = (0 - yk) / (1.0 - point);
    line.offset = yk - line.slope * point;
    for (int i = 0; i < kLinePointCount; ++i)
        line.values.append(line.slope * i + line.offset);
    result.proposal = line;
    return result;
}

QVector<double> ArcValues(double ya, double yz, int n, double p) {
    double sum = 0;
    double power = 1;
    for (int j = 1; j <= n; ++j) {
        power *= p;
        sum += power;
    }
    const double c = (yz - ya) / sum;
    QVector<double> values;
    values.append(ya);
    double partial = 0;
    power = 1;
    for (int j = 1; j <= n; ++j) {
        power *= p;
        partial += power;
        values.append(j == n ? yz : ya + c * partial);
    }
    return values;
}

double ArcError(const QVector<double>& arc, const QVector<double>& edit, int from) {
    double error = 0;
    for (int j = 0; j < arc.size(); ++j) {
        const double y = edit.value(from + j);
        if (y != 0)
            error += std::fabs(arc.at(j) - y);
    }
    return error;
}

int ChooseArc(const std::array<double, kArcCandidateCount>& errors, const ArcMemory& memory,
              int segment) {
    if (!memory.ran[segment]) {
        int best = 0;
        for (int u = 1; u < kArcCandidateCount; ++u) {
            if (errors[u] < errors[best])
                best = u;
        }
        return best;
    }
    int chosen = memory.chosen[segment];
    double before = memory.lastError[segment];
    for (int u = 0; u < kArcCandidateCount; ++u) {
        if (errors[u] < before)
            chosen = u;
        before = errors[u];
    }
    return chosen;
}

QVector<double> ArcProposal::chosenValues() const {
    QVector<double> values(end + 1, 0.0);
    const ArcSegment& first = segments[0];
    const ArcSegment& second = segments[1];
    for (int i = first.from; i <= first.to; ++i)
        values[i] = first.candidates[first.chosen].at(i - first.from);
    for (int i = second.from + 1; i <= second.to; ++i)
        values[i] = second.candidates[second.chosen].at(i - second.from);
    return values;
}

ArcResult ProposeArcs(const QVector<double>& edit, int point, ArcMemory& memory) {
    ArcResult result;
    if (edit.isEmpty()) {
        result.error = MakeMessage(kMsgArcSegment);
        return result;
    }
    int end = 0;
    for (int i = 1; i < edit.size(); ++i) {
        if (edit.at(i) > edit.at(end))
            end = i;
    }
    const int start = 0;
    if (point <= start || point >= end) {
        result.error = MakeMessage(kMsgArcSegment);
        return result;
    }
    // Equal ends give a flat arc (c = 0); only a segment of no length cannot be proposed.
    ArcProposal proposal;
    proposal.start = start;
    proposal.point = point;
    proposal.end = end;
    const int bounds[2][2] = {{start, point}, {point, end}};
    ArcMemory next = memory;
    for (int s = 0; s < 2; ++s) {
        ArcSegment& segment = proposal.segments[s];
        segment.from = bounds[s][0];
        segment.to = bounds[s][1];
        const int n = segment.to - segment.from;
        for (int u = 0; u < kArcCandidateCount; ++u) {
            segment.candidates[u] =
                ArcValues(edit.at(segment.from), edit.at(segment.to), n, ArcRatios()[u]);
            segment.errors[u] = ArcError(segment.candidates[u], edit, segment.from);
        }
        segment.chosen = ChooseArc(segment.errors, memory, s);
        next.ran[s] = true;
        next.chosen[s] = segment.chosen;
        next.lastError[s] = segment.errors[kArcCandidateCount - 1];
    }
    memory = next;
    result.proposal = proposal;
    return result;
}

} // namespace curve
