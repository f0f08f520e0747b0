#include "sample_grid.h"

#include <algorithm>

namespace telemetry {

const std::array<const char*, kGridColumns>& GridKeys() {
    static const std::array<const char*, kGridColumns> keys = {
        "Step", "SP", "STR", "AI", "RT", "RTT", "II", "T", "DP", "TP", "SD"};
    return keys;
}

SampleGrid::SampleGrid(const SampleGrid& other) : m_rows(other.m_rows) {
    m_blocks.reserve(other.m_blocks.size());
    for (const auto& block : other.m_blocks)
        m_blocks.push_back(std::make_unique<Block>(*block));
}

SampleGrid& SampleGrid::operator=(const SampleGrid& other) {
    if (this != &other) {
        SampleGrid copy(other);
        *this = std::move(copy);
    }
    return *this;
}

void SampleGrid::append(const SampleRow& row) {
    const qsizetype inBlock = m_rows % kBlockRows;
    if (inBlock == 0 && std::size_t(m_rows / kBlockRows) == m_blocks.size())
        m_blocks.push_back(std::make_unique_for_overwrite<Block>());
    Block& block = *m_blocks[std::size_t(m_rows / kBlockRows)];
    for (int c = 0; c < kGridColumns; ++c)
        block.cells[std::size_t(c * kBlockRows + inBlock)] = row[std::size_t(c)];
    ++m_rows;
}

void SampleGrid::clear() {
    m_blocks.clear();
    m_rows = 0;
}

SampleRow SampleGrid::row(qsizetype index) const {
    SampleRow r;
    for (int c = 0; c < kGridColumns; ++c)
        r[std::size_t(c)] = cell(index, c);
    return r;
}

template <typename Visit>
void SampleGrid::forEachRun(int column, qsizetype first, qsizetype count, Visit&& visit) const {
    const qsizetype end = std::min(m_rows, first + std::max<qsizetype>(count, 0));
    for (qsizetype at = std::max<qsizetype>(first, 0); at < end;) {
        const qsizetype inBlock = at % kBlockRows;
        const qsizetype run = std::min(kBlockRows - inBlock, end - at);
        const double* cells =
            m_blocks[std::size_t(at / kBlockRows)]->cells.data() + column * kBlockRows + inBlock;
        visit(at, cells, run);
        at += run;
    }
}

void SampleGrid::seriesPoints(int series, qsizetype first, qsizetype count, QList<double>& keys,
                              QList<double>& values) const {
    const qsizetype end = std::min(m_rows, first + count);
    if (end > first) {
        keys.reserve(keys.size() + end - first);
        values.reserve(values.size() + end - first);
    }
    forEachRun(ColumnOfSeries(series), first, count,
               [&](qsizetype at, const double* cells, qsizetype run) {
                   for (qsizetype i = 0; i < run; ++i) {
                       keys.append(double(at + i));
                       values.append(cells[i] / 100);
                   }
               });
}

void SampleGrid::columnCells(int column, qsizetype first, qsizetype count,
                             QList<double>& out) const {
    forEachRun(column, first, count, [&](qsizetype, const double* cells, qsizetype run) {
        out.append(QList<double>(cells, cells + run));
    });
}

qsizetype SampleGrid::blockBytes() const {
    return qsizetype(m_blocks.size() * sizeof(Block));
}

bool SampleGrid::operator==(const SampleGrid& other) const {
    if (m_rows != other.m_rows)
        return false;
    for (qsizetype r = 0; r < m_rows; ++r) {
        for (int c = 0; c < kGridColumns; ++c) {
            if (cell(r, c) != other.cell(r, c))
                return false;
        }
    }
    return true;
}

} // namespace telemetry
