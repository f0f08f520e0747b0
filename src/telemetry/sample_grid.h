#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include <array>
#include <memory>
#include <vector>

namespace telemetry {

// Columns of a SampleGrid row and of a record file line: the sample time and the ten channel
// values, each as value × 100 ("Step" in hundredths of a second).
inline constexpr int kGridColumns = 11;
const std::array<const char*, kGridColumns>& GridKeys(); // "Step", "SP", "STR" … "SD"
inline constexpr int kStepColumn = 0;
// Chart series s (0..9) is drawn from column s + 1.
inline int ColumnOfSeries(int series) {
    return series + 1;
}

using SampleRow = std::array<double, kGridColumns>;

// The samples of one recording. Rows are kept in fixed-size blocks, one array per column within
// a block: appending never moves earlier rows (no reallocation pause at 100,000 rows), and a
// series' values for the chart are contiguous runs that are copied out block by block.
class SampleGrid {
public:
    static constexpr qsizetype kBlockRows = 4096;

    SampleGrid() = default;
    SampleGrid(SampleGrid&&) noexcept = default;
    SampleGrid& operator=(SampleGrid&&) noexcept = default;
    SampleGrid(const SampleGrid& other);
    SampleGrid& operator=(const SampleGrid& other);

    // The number of data rows (a grid with n samples).
    qsizetype rowCount() const { return m_rows; }
    bool isEmpty() const { return m_rows == 0; }

    void append(const SampleRow& row);
    void clear();

    double cell(qsizetype row, int column) const {
        return m_blocks[std::size_t(row / kBlockRows)]
            ->cells[std::size_t(column * kBlockRows + row % kBlockRows)];
    }
    SampleRow row(qsizetype row) const;

    // The chart's points of a series in rows [first, first + count), clipped to the grid: X is
    // the row index, Y the cell / 100. Appends to keys and values (ready for a plot's addData).
    void seriesPoints(int series, qsizetype first, qsizetype count, QList<double>& keys,
                      QList<double>& values) const;
    // Raw cells of one column in rows [first, first + count), clipped; appended to out.
    void columnCells(int column, qsizetype first, qsizetype count, QList<double>& out) const;

    // Bytes held by the blocks (for the benchmarks' memory figures).
    qsizetype blockBytes() const;

    bool operator==(const SampleGrid& other) const;

private:
    struct Block {
        std::array<double, std::size_t(kGridColumns* kBlockRows)> cells;
    };
    template <typename Visit>
    void forEachRun(int column, qsizetype first, qsizetype count, Visit&& visit) const;

    std::vector<std::unique_ptr<Block>> m_blocks;
    qsizetype m_rows = 0;
};

} // namespace telemetry
