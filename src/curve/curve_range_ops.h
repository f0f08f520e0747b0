#pragma once

#include "curve_messages.h"
#include "curve_model.h"
#include "decimal_format.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>
#include <utility>

// Editing a run of curve points at once: every new value is computed in volts, rounded to
// hundredths like a typed value, and committed point by point as if typed, so the 0..5 V limits
// of the commit apply. Nothing is sent to the module.
namespace curve {

// Points first..last, both included, 0..63.
struct PointRange {
    int first = 0;
    int last = 0;
    static PointRange spanning(int a, int b);
    int count() const { return last - first + 1; }
    bool operator==(const PointRange&) const = default;
};

enum class PointOperation {
    Set,         // every point takes the argument
    Add,         // the argument is added
    Scale,       // argument percent of itself: 110 raises by a tenth
    Interpolate, // straight from the first point to the last
    Smooth,      // each point the average of itself and its neighbours on the curve
};

inline constexpr auto kMsgPasteEmpty = "MsgCurvePasteEmpty";
inline constexpr auto kMsgPasteShape = "MsgCurvePasteShape";         // %1 line
inline constexpr auto kMsgPasteTooLong = "MsgCurvePasteTooLong";     // %1 values
inline constexpr auto kMsgPasteNotNumber = "MsgCurvePasteNotNumber"; // %1 line, %2 text
inline constexpr auto kMsgRangeNotNumber = "MsgCurveRangeNotNumber"; // %1 point, %2 text

struct PointValues {
    QVector<std::pair<int, double>> values;
    Message error; // a text in the range (or a neighbour) that is not a number
};
PointValues ComputePoints(const QStringList& texts, const DecimalFormat& format, PointRange range,
                          PointOperation operation, double argument);

// Computes, then commits. Empty message on success.
Message ApplyPoints(CurveModel& model, PointRange range, PointOperation operation, double argument);

// The points' texts one a line, each ended by "\n" (a spreadsheet column).
QString CopyPoints(const CurveModel& model, PointRange range);

// A column of numbers (one a line; a line of one field) pasted from the first point of the
// selection on; a single value fills the whole selection. Refused whole when empty, wider than
// one column, longer than the curve from there on, or holding a field that is not a number.
Message PastePoints(CurveModel& model, PointRange selection, const QString& text);

struct PointDifference {
    int point = 0;
    QString left;
    QString right;
    bool operator==(const PointDifference&) const = default;
};
// Points whose texts differ as numbers (as texts where either is not a number).
QVector<PointDifference> ComparePoints(const QStringList& left, const QStringList& right,
                                       const DecimalFormat& format);

// The curve's whole state, for undoing a change: the texts (the values follow them).
struct CurveSnapshot {
    QStringList texts;
    bool operator==(const CurveSnapshot&) const = default;
};
CurveSnapshot TakeSnapshot(const CurveModel& model);
void RestoreSnapshot(CurveModel& model, const CurveSnapshot& snapshot);

} // namespace curve
