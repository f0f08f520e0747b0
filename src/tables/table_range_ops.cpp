#include "table_range_ops.h"

#include <QSignalBlocker>

#include <algorithm>
#include <cmath>

namespace msg = table_messages;

CellRange CellRange::spanning(CellPosition a, CellPosition b) {
    auto column = [](int c) { return std::clamp(c, 1, kTableColumns); };
    auto row = [](int r) { return std::clamp(r, 1, kTableRows); };
    return {column(std::min(a.column, b.column)), row(std::min(a.row, b.row)),
            column(std::max(a.column, b.column)), row(std::max(a.row, b.row))};
}

namespace {

double lerp(double from, double to, int step, int steps) {
    return steps <= 0 ? from : from + (to - from) * step / steps;
}

} // namespace

RangeValues ComputeRange(const TableGrid& table, const DecimalFormat& format, CellRange range,
                         RangeOperation operation, double argument,
                         const std::array<double, kTableRows + 1>* argumentScale) {
    RangeValues result;
    // Smoothing reads one cell beyond the range on each side.
    const int margin = operation == RangeOperation::Smooth ? 1 : 0;
    const CellRange read = CellRange::spanning({range.left - margin, range.top - margin},
                                               {range.right + margin, range.bottom + margin});
    double shown[kTableColumns + 1][kTableRows + 1] = {};
    for (int r = read.top; r <= read.bottom; ++r) {
        for (int c = read.left; c <= read.right; ++c) {
            // An empty cell is what the next refresh makes of it.
            const auto v = table.cell(c, r).isEmpty() ? std::optional<double>(kCellMinimum)
                                                      : format.parse(table.cell(c, r));
            if (!v || !std::isfinite(*v)) {
                result.error = Message{QLatin1String(msg::RangeNotANumber),
                                       {QString::number(c), QString::number(r), table.cell(c, r)}};
                return result;
            }
            shown[c][r] = *v;
        }
    }
    const int w = range.width() - 1;
    const int h = range.height() - 1;
    for (int r = range.top; r <= range.bottom; ++r) {
        for (int c = range.left; c <= range.right; ++c) {
            const double v = shown[c][r];
            const double a = argumentScale ? argument * (*argumentScale)[size_t(r)] : argument;
            const int i = c - range.left;
            const int j = r - range.top;
            double out = v;
            switch (operation) {
            case RangeOperation::Set:
                out = a;
                break;
            case RangeOperation::Add:
                out = v + a;
                break;
            case RangeOperation::Scale:
                out = v * argument / 100;
                break;
            case RangeOperation::InterpolateRows:
                out = lerp(shown[range.left][r], shown[range.right][r], i, w);
                break;
            case RangeOperation::InterpolateColumns:
                out = lerp(shown[c][range.top], shown[c][range.bottom], j, h);
                break;
            case RangeOperation::InterpolateBilinear: {
                const double top =
                    lerp(shown[range.left][range.top], shown[range.right][range.top], i, w);
                const double bottom =
                    lerp(shown[range.left][range.bottom], shown[range.right][range.bottom], i, w);
                out = lerp(top, bottom, j, h);
                break;
            }
            case RangeOperation::Smooth: {
                double sum = 0;
                int n = 0;
                for (int rr = std::max(1, r - 1); rr <= std::min(kTableRows, r + 1); ++rr) {
                    for (int cc = std::max(1, c - 1); cc <= std::min(kTableColumns, c + 1); ++cc) {
                        sum += shown[cc][rr];
                        ++n;
                    }
                }
                out = sum / n;
                break;
            }
            }
            // A cell the operation leaves as it is keeps its text (x 100 % changes nothing).
            if (out != v)
                result.values.append({CellPosition{c, r}, RoundHalfEven(out, 2)});
        }
    }
    return result;
}

namespace {

// What one unit of the view is in milliseconds in row r: 1 in absolute values, the row's
// injection time / 100 in percent. Nothing for the flow unit.
std::optional<double> unitScale(const InjectionTables& tables, int row) {
    switch (tables.unit()) {
    case TableUnit::Absolute:
        return 1.0;
    case TableUnit::Percent:
        if (const auto label = tables.format().parse(tables.data(tables.active()).cell(0, row)))
            return *label / 100;
        return std::nullopt;
    case TableUnit::Flow:
        break;
    }
    return std::nullopt;
}

} // namespace

std::optional<Message> ApplyRange(InjectionTables& tables, CellRange range,
                                  RangeOperation operation, double argument) {
    if (tables.unit() == TableUnit::Flow)
        return Message{QLatin1String(msg::RangeFlowUnit), {}};
    if (!std::isfinite(argument))
        return Message{QLatin1String(msg::NotANumber), {QString::number(argument)}};
    // Computed on the stored milliseconds: an argument of Set and Add is in the view's unit.
    std::array<double, kTableRows + 1> scale{};
    for (int r = 1; r <= kTableRows; ++r)
        scale[size_t(r)] = unitScale(tables, r).value_or(1.0);
    RangeValues computed = ComputeRange(tables.data(tables.active()), tables.format(), range,
                                        operation, argument, &scale);
    if (computed.error)
        return computed.error;
    tables.storeValues(computed.values);
    return std::nullopt;
}

QString CopyRange(const TableGrid& view, CellRange range) {
    QString text;
    for (int r = range.top; r <= range.bottom; ++r) {
        for (int c = range.left; c <= range.right; ++c) {
            if (c > range.left)
                text += QLatin1Char('\t');
            text += view.cell(c, r).trimmed();
        }
        text += QLatin1Char('\n');
    }
    return text;
}

PastedBlock ParsePastedText(const QString& text, const DecimalFormat& format) {
    PastedBlock block;
    QString normalised = text;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    QStringList lines = normalised.split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    if (lines.isEmpty()) {
        block.error = Message{QLatin1String(msg::PasteEmpty), {}};
        return block;
    }
    qsizetype width = -1;
    for (int l = 0; l < lines.size(); ++l) {
        const QStringList fields = lines.at(l).split(QLatin1Char('\t'));
        if (width >= 0 && fields.size() != width) {
            block = {};
            block.error = Message{QLatin1String(msg::PasteRagged), {QString::number(l + 1)}};
            return block;
        }
        width = fields.size();
        QVector<double> row;
        for (int f = 0; f < fields.size(); ++f) {
            const auto v = format.parse(fields.at(f));
            if (!v || !std::isfinite(*v)) {
                block = {};
                block.error =
                    Message{QLatin1String(msg::PasteNotANumber),
                            {QString::number(l + 1), QString::number(f + 1), fields.at(f)}};
                return block;
            }
            row.append(*v);
        }
        block.rows.append(row);
    }
    return block;
}

std::optional<Message> PasteRange(InjectionTables& tables, CellRange selection,
                                  const QString& text) {
    if (tables.unit() == TableUnit::Flow)
        return Message{QLatin1String(msg::RangeFlowUnit), {}};
    const PastedBlock block = ParsePastedText(text, tables.format());
    if (block.error)
        return block.error;
    QList<std::pair<CellPosition, double>> values;
    const int rows = int(block.rows.size());
    const int columns = int(block.rows.first().size());
    // Pasted numbers are in the view's unit, stored in milliseconds.
    const auto stored = [&](CellPosition p, double shown) {
        values.append({p, shown * unitScale(tables, p.row).value_or(1.0)});
    };
    if (rows == 1 && columns == 1) {
        for (int r = selection.top; r <= selection.bottom; ++r)
            for (int c = selection.left; c <= selection.right; ++c)
                stored(CellPosition{c, r}, block.rows[0][0]);
    } else {
        if (selection.left + columns - 1 > kTableColumns || selection.top + rows - 1 > kTableRows)
            return Message{QLatin1String(msg::PasteTooLarge),
                           {QString::number(rows), QString::number(columns)}};
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c)
                stored(CellPosition{selection.left + c, selection.top + r}, block.rows[r][c]);
    }
    tables.storeValues(values);
    return std::nullopt;
}

QVector<CellDifference> CompareTables(const QStringList& left, const QStringList& right,
                                      const DecimalFormat& format) {
    QVector<CellDifference> out;
    for (int i = 0; i < kTableCells; ++i) {
        const QString a = left.value(i);
        const QString b = right.value(i);
        const auto va = format.parse(a);
        const auto vb = format.parse(b);
        const bool same = va && vb ? *va == *vb : a.trimmed() == b.trimmed();
        if (!same)
            out.append({CellPosition{i % kTableColumns + 1, i / kTableColumns + 1}, a, b});
    }
    return out;
}

TableSnapshot TakeSnapshot(const InjectionTables& tables, TableKind kind) {
    return {kind, tables.data(kind).cells()};
}

void RestoreSnapshot(InjectionTables& tables, const TableSnapshot& snapshot) {
    {
        const QSignalBlocker quiet(tables);
        tables.loadCells(snapshot.kind, snapshot.cells);
    }
    if (snapshot.kind == tables.active())
        tables.refreshActive();
}
