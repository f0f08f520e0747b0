#include "injection_tables.h"

#include <algorithm>

namespace {

int cellIndex(int column, int row) {
    return std::clamp(row, 0, kTableRows) * (kTableColumns + 1) +
           std::clamp(column, 0, kTableColumns);
}

} // namespace

QString TableGrid::cell(int column, int row) const {
    return m_cells[size_t(cellIndex(column, row))];
}

void TableGrid::setCell(int column, int row, const QString& text) {
    m_cells[size_t(cellIndex(column, row))] = text;
}

QStringList TableGrid::rowLabels() const {
    QStringList labels;
    for (int r = 1; r <= kTableRows; ++r)
        labels << cell(0, r);
    return labels;
}

void TableGrid::setRowLabels(const QStringList& labels) {
    for (int r = 1; r <= kTableRows && r <= labels.size(); ++r)
        setCell(0, r, labels.at(r - 1));
}

void TableGrid::setSpeedLabels() {
    for (int c = 1; c <= kTableColumns; ++c)
        setCell(c, 0, SpeedLabels().at(c - 1));
}

QStringList TableGrid::cells() const {
    QStringList out;
    for (int r = 1; r <= kTableRows; ++r) {
        for (int c = 1; c <= kTableColumns; ++c)
            out << cell(c, r);
    }
    return out;
}

InjectionTables::InjectionTables(QObject* parent) : QObject(parent) {
    setUp(CorrectionBasis::Maf);
}

void InjectionTables::setUp(CorrectionBasis basis) {
    m_basis = basis;
    m_view.setSpeedLabels();
    m_view.setRowLabels(BasisRowLabels(basis));
    for (TableGrid& t : m_data) {
        t.setSpeedLabels();
        if (basis == CorrectionBasis::InjectionTime)
            t.setRowLabels(BasisRowLabels(basis));
    }
    emit basisChanged(basis);
    emit rowLabelsChanged();
}

std::optional<double> InjectionTables::flowValue(TableKind kind) {
    const QString typed = m_flow[index(kind)];
    if (typed.trimmed().isEmpty())
        return std::nullopt;
    const auto flow = m_format.parse(typed);
    if (!flow)
        emit message({QLatin1String(table_messages::FlowNotANumber), {typed}});
    return flow;
}

void InjectionTables::showFlow(TableKind kind, double flow) {
    const TableGrid& t = m_data[index(kind)];
    for (int r = 1; r <= kTableRows; ++r) {
        for (int c = 1; c <= kTableColumns; ++c) {
            if (const auto v = m_format.parse(t.cell(c, r)))
                // Hundredths of a millilitre per hour are all a fitter can use; fifteen digits
                // would not fit the cell.
                m_view.setCell(c, r, text(RoundHalfEven(flow * (*v * 60) / FlowDivisor(c), 2)));
        }
    }
}

void InjectionTables::refresh(TableKind kind) {
    m_active = kind;
    TableGrid& t = m_data[index(kind)];
    for (int r = 1; r <= kTableRows; ++r) {
        for (int c = 1; c <= kTableColumns; ++c) {
            if (t.cell(c, r).isEmpty())
                t.setCell(c, r, text(kCellMinimum));
            if (m_unit != TableUnit::Flow) {
                const auto v = m_format.parse(t.cell(c, r));
                if (v && *v > kCellMaximum)
                    t.setCell(c, r, text(kCellMaximum));
                const auto label = m_format.parse(t.cell(0, r));
                if (m_unit == TableUnit::Percent && v && label && *label != 0)
                    m_view.setCell(c, r, text(std::min(*v, kCellMaximum) / *label * 100));
                else
                    m_view.setCell(c, r, t.cell(c, r));
            }
            if (const auto shown = m_format.parse(m_view.cell(c, r)))
                m_view.setCell(c, r, text(RoundHalfEven(*shown, 2)));
        }
    }
    if (m_unit == TableUnit::Flow) {
        if (const auto flow = flowValue(kind))
            showFlow(kind, *flow);
    }
    emit viewChanged();
}

std::optional<Message> InjectionTables::commit(CellPosition cell, const QString& typed) {
    bool due = false;
    auto refused = commitCell(cell, typed, &due);
    if (due)
        refresh(m_active);
    return refused;
}

std::optional<Message> InjectionTables::commitCell(CellPosition cell, const QString& typed,
                                                   bool* refreshDue) {
    *refreshDue = false;
    if (m_editingLocked) {
        emit viewCellChanged(cell); // the view shows the stored value again
        return std::nullopt;
    }
    if (cell.column < 1 || cell.column > kTableColumns || cell.row < 1 || cell.row > kTableRows)
        return std::nullopt;
    const QString normalised = m_format.normalised(typed);
    m_view.setCell(cell, normalised);
    TableGrid& t = m_data[index(m_active)];
    const auto refuse = [&](const QString& bad) {
        emit viewCellChanged(cell);
        return Message{QLatin1String(table_messages::NotANumber), {bad}};
    };

    switch (m_unit) {
    case TableUnit::Absolute: {
        const QString written = normalised.trimmed().isEmpty() ? QStringLiteral("0") : normalised;
        const auto v = m_format.parse(written);
        if (!v)
            return refuse(written);
        const QString stored = text(RoundHalfEven(std::clamp(*v, kCellMinimum, kCellMaximum), 2));
        m_view.setCell(cell, stored);
        t.setCell(cell, stored);
        break;
    }
    case TableUnit::Percent: {
        const double lowest = PercentMinimum(m_active);
        const QString written = normalised.trimmed().isEmpty() ? text(lowest) : normalised;
        const auto v = m_format.parse(written);
        if (!v)
            return refuse(written);
        const double percent = std::clamp(*v, lowest, kPercentMaximum);
        m_view.setCell(cell, text(percent));
        const auto label = m_format.parse(m_view.cell(0, cell.row));
        if (!label)
            return refuse(m_view.cell(0, cell.row));
        t.setCell(cell, text(percent * *label / 100));
        break;
    }
    case TableUnit::Flow:
        break; // the refresh shows the flow from the data table again
    }
    *refreshDue = true;
    return std::nullopt;
}

void InjectionTables::storeValues(const QList<std::pair<CellPosition, double>>& values) {
    if (m_editingLocked)
        return;
    TableGrid& t = m_data[index(m_active)];
    for (const auto& [cell, value] : values) {
        if (cell.column < 1 || cell.column > kTableColumns || cell.row < 1 || cell.row > kTableRows)
            continue;
        const double limited = std::clamp(value, kCellMinimum, kCellMaximum);
        if (m_format.parse(t.cell(cell)) != limited)
            t.setCell(cell, text(RoundHalfEven(limited, 2)));
    }
    refresh(m_active);
}

void InjectionTables::setUnit(TableUnit unit) {
    if (unit == m_unit)
        return;
    m_unit = unit;
    emit unitChanged(unit);
}

void InjectionTables::chooseUnit(TableUnit unit) {
    if (m_editingLocked)
        return;
    setUnit(unit);
    if (unit != TableUnit::Flow) {
        refresh(m_active);
        return;
    }
    if (const auto flow = flowValue(m_active)) {
        showFlow(m_active, *flow);
        emit viewChanged();
    }
}

void InjectionTables::applyBasis(CorrectionBasis basis) {
    const bool unitReset = basis == CorrectionBasis::Maf && m_unit != TableUnit::Absolute;
    if (unitReset)
        setUnit(TableUnit::Absolute);
    m_view.setRowLabels(BasisRowLabels(basis));
    if (basis == CorrectionBasis::InjectionTime) {
        for (TableGrid& t : m_data)
            t.setRowLabels(BasisRowLabels(basis));
    }
    setBasis(basis);
    emit rowLabelsChanged();
    if (unitReset)
        refresh(m_active); // the view in milliseconds again
    else
        emit viewChanged();
}

void InjectionTables::setBasis(CorrectionBasis basis) {
    m_basis = basis;
    emit basisChanged(basis);
}

void InjectionTables::setRowLabels(const QStringList& labels, bool alsoDataTables) {
    m_view.setRowLabels(labels);
    if (alsoDataTables) {
        for (TableGrid& t : m_data)
            t.setRowLabels(labels);
    }
    emit rowLabelsChanged();
    emit viewChanged();
}

void InjectionTables::setCellValue(TableKind kind, CellPosition cell, double milliseconds) {
    const QString value = text(milliseconds);
    m_data[index(kind)].setCell(cell, value);
    if (kind == m_active) {
        m_view.setCell(cell, value);
        emit viewCellChanged(cell);
    }
}

void InjectionTables::loadCells(TableKind kind, const QStringList& cells) {
    TableGrid& t = m_data[index(kind)];
    for (int i = 0; i < kTableCells && i < cells.size(); ++i) {
        const CellPosition p{i % kTableColumns + 1, i / kTableColumns + 1};
        t.setCell(p, cells.at(i));
        if (kind == m_active)
            m_view.setCell(p, cells.at(i));
    }
    if (kind == m_active)
        emit viewChanged();
}

std::optional<Message> InjectionTables::cellValues(TableKind kind,
                                                   std::array<double, kTableCells>* values) const {
    const TableGrid& t = m_data[index(kind)];
    for (int r = 1; r <= kTableRows; ++r) {
        for (int c = 1; c <= kTableColumns; ++c) {
            const QString cellText = t.cell(c, r);
            std::optional<double> v =
                cellText.isEmpty() ? std::optional<double>(kCellMinimum) : m_format.parse(cellText);
            if (!v)
                return Message{QLatin1String(table_messages::CellNotANumber),
                               {QString::number(c), QString::number(r), cellText}};
            (*values)[size_t((r - 1) * kTableColumns + (c - 1))] = *v;
        }
    }
    return std::nullopt;
}
