#pragma once

#include "message.h"

#include "sample_grid.h"

#include <QString>
#include <QStringList>

class DecimalFormat;

// Record files: one line per sample, eleven fields each written as its value immediately
// followed by its marker, "25#Step#330#SP#1234#STR#…0#SD#", Windows-1251 text with CR LF.
namespace telemetry {

inline constexpr auto kRecordFileSuffix = "_data.txt";
// The marker after field k: "#Step#", "#SP#" … "#SD#".
QString RecordMarker(int column);

// The file name for the name chosen in the save dialog: "run1" gives "run1_data.txt".
QString RecordFileName(const QString& chosenName);
// The tab caption of a loaded file: its name without folder and without its last four
// characters ("…/run1_data.txt" gives "run1_data").
QString RecordFileCaption(const QString& path);

// A day of samples at the shortest interval is about 40 MB; a larger file is refused unread.
inline constexpr qint64 kRecordFileMaxBytes = 256 * 1024 * 1024;
// A line holds eleven short numbers and their markers; a longer one is refused once this much of
// it has been read, so a file without line ends is not read whole.
inline constexpr qsizetype kRecordLineMaxLength = 1024;

struct RecordFileContent {
    SampleGrid grid;
    Message error; // empty when the whole file was read; otherwise names the file and the line

    bool ok() const { return error.isEmpty(); }
};

// Reads and checks the whole file before anything is returned: a line with a missing marker or
// a field that is not a number refuses the file with a message naming the line, so a caller
// never gets half a recording. Trailing lines of white space are allowed. Fields are numbers
// with either decimal separator. The file is read line by line and the reading stops at the
// first bad line, so a foreign file is refused after its first line.
RecordFileContent ReadRecordFile(const QString& path, const DecimalFormat& format);
// The same for lines already in memory; fileName names the file in messages.
RecordFileContent ParseRecordLines(const QStringList& lines, const DecimalFormat& format,
                                   const QString& fileName);

// One line for a grid row: each cell in shortest decimal form (integers as they are) with the
// format's separator, then its marker.
QString RecordLine(const SampleRow& row, const DecimalFormat& format);

// Writes one line per row of the grid (none for an empty grid), replacing the file atomically.
// Returns an error naming the file, or empty.
[[nodiscard]] QString WriteRecordFile(const QString& path, const SampleGrid& grid,
                                      const DecimalFormat& format);

} // namespace telemetry
