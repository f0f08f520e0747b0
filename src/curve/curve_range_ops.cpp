#include "curve_range_ops.h"

#include <QSignalBlocker>

#include <algorithm>
#include <cmath>

namespace curve {

PointRange PointRange::spanning(int a, int b) {
    return {std::clamp(std::min(a, b), 0, kPointCount - 1),
            std::clamp(std::max(a, b), 0, kPointCount - 1)};
}

PointValues ComputePoints(const QStringList& texts, const DecimalFormat& format, PointRange range,
                          PointOperation operation, double argument) {
    PointValues result;
    const int margin = operation == PointOperation::Smooth ? 1 : 0;
    const int from = std::max(0, range.first - margin);
    const int to = std::min(kPointCount - 1, range.last + margin);
    QVector<double> v(kPointCount, 0.0);
    for (int i = from; i <= to; ++i) {
        const auto value = format.parse(texts.value(i));
        if (!value || !std::isfinite(*value)) {
            result.error = MakeMessage(kMsgRangeNotNumber, {QString::number(i), texts.value(i)});
            return result;
        }
        v[i] = *value;
    }
    const int steps = range.last - range.first;
    for (int i = range.first; i <= range.last; ++i) {
        double out = v[i];
        switch (operation) {
        case PointOperation::Set:
            out = argument;
            break;
        case PointOperation::Add:
            out = v[i] + argument;
            break;
        case PointOperation::Scale:
            out = v[i] * argument / 100;
            break;
        case PointOperation::Interpolate:
            out = steps == 0 ? v[i]
                             : v[range.first] +
                                   (v[range.last] - v[range.first]) * (i - range.first) / steps;
            break;
        case PointOperation::Smooth: {
            const int a = std::max(0, i - 1);
            const int b = std::min(kPointCount - 1, i + 1);
            double sum = 0;
            for (int k = a; k <= b; ++k)
                sum += v[k];
            out = sum / (b - a + 1);
            break;
        }
        }
        result.values.append({i, RoundHalfEven(out, 2)});
    }
    return result;
}

namespace {

Message commitAll(CurveModel& model, const QVector<std::pair<int, double>>& values) {
    {
        // One redraw of the chart for the whole run, not one per point.
        const QSignalBlocker quiet(model);
        for (const auto& [point, value] : values)
            model.commit(point, model.format().format(value));
    }
    for (const auto& [point, value] : values)
        emit model.textChanged(point);
    emit model.seriesChanged();
    return {};
}

} // namespace

Message ApplyPoints(CurveModel& model, PointRange range, PointOperation operation,
                    double argument) {
    if (!std::isfinite(argument))
        return MakeMessage(kMsgNotNumber, {QString::number(argument)});
    const PointValues computed =
        ComputePoints(model.texts(), model.format(), range, operation, argument);
    if (!computed.error.isEmpty())
        return computed.error;
    return commitAll(model, computed.values);
}

QString CopyPoints(const CurveModel& model, PointRange range) {
    QString text;
    for (int i = range.first; i <= range.last; ++i)
        text += model.text(i).trimmed() + QLatin1Char('\n');
    return text;
}

Message PastePoints(CurveModel& model, PointRange selection, const QString& text) {
    QString normalised = text;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    QStringList lines = normalised.split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    if (lines.isEmpty())
        return MakeMessage(kMsgPasteEmpty);
    QVector<double> values;
    for (int l = 0; l < lines.size(); ++l) {
        if (lines.at(l).contains(QLatin1Char('\t')))
            return MakeMessage(kMsgPasteShape, {QString::number(l + 1)});
        const auto v = model.format().parse(lines.at(l));
        if (!v || !std::isfinite(*v))
            return MakeMessage(kMsgPasteNotNumber, {QString::number(l + 1), lines.at(l)});
        values.append(*v);
    }
    QVector<std::pair<int, double>> points;
    if (values.size() == 1) {
        for (int i = selection.first; i <= selection.last; ++i)
            points.append({i, values.first()});
    } else {
        if (selection.first + values.size() > kPointCount)
            return MakeMessage(kMsgPasteTooLong, {QString::number(values.size())});
        for (int k = 0; k < values.size(); ++k)
            points.append({selection.first + k, values.at(k)});
    }
    return commitAll(model, points);
}

QVector<PointDifference> ComparePoints(const QStringList& left, const QStringList& right,
                                       const DecimalFormat& format) {
    QVector<PointDifference> out;
    for (int i = 0; i < kPointCount; ++i) {
        const QString a = left.value(i);
        const QString b = right.value(i);
        const auto va = format.parse(a);
        const auto vb = format.parse(b);
        const bool same = va && vb ? *va == *vb : a.trimmed() == b.trimmed();
        if (!same)
            out.append({i, a, b});
    }
    return out;
}

CurveSnapshot TakeSnapshot(const CurveModel& model) {
    return {model.texts()};
}

void RestoreSnapshot(CurveModel& model, const CurveSnapshot& snapshot) {
    model.restore(snapshot.texts);
}

} // namespace curve
