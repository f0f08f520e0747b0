#pragma once

#include "sample_grid.h"

#include <QString>
#include <QStringList>

class DecimalFormat;

// A recording as a table for spreadsheets: a header row of channel names with their units, then
// one row per sample in real units (seconds, milliseconds, litres per hour …). Fields are
// separated by ";" where the decimal separator is a comma, otherwise by ",".
namespace telemetry {

QChar CsvFieldSeparator(const DecimalFormat& format);
QString CsvHeader(const DecimalFormat& format);
QString CsvRow(const SampleRow& row, const DecimalFormat& format);
QStringList CsvLines(const SampleGrid& grid, const DecimalFormat& format);
// Windows-1251 with CR LF like every file of the program, replaced atomically. Returns an error
// naming the file, or empty.
[[nodiscard]] QString WriteCsvFile(const QString& path, const SampleGrid& grid,
                                   const DecimalFormat& format);

} // namespace telemetry
