#pragma once

#include "decimal_format.h"
#include "table_kind.h"
#include "table_message.h"

#include <QString>
#include <QStringList>

#include <optional>

// Table files: 64 lines, one cell each, row by row with the columns left to right, every line
// the cell's decimal text in milliseconds with the separator of the system that wrote it;
// Windows-1251, CR LF. Water files end in "MAF.txt", fuel files in "Lambda.txt".

QString TableFileSuffix(TableKind kind);
// The name saved to: the chosen name with the table's suffix, unless it already ends with it.
QString TableFileName(TableKind kind, const QString& chosenName);

struct TableFileContent {
    QStringList cells; // 64 texts with the separator of this system, limited to 0.01..25.5
    std::optional<Message> error;
    int limitedCount = 0;     // cells that were out of range and were limited
    int firstLimitedLine = 0; // 1-based, 0 when none
    int ignoredFrom = 0;      // the first line past the 64th that holds text, 0 when none
    // What the reader should be told: the limited values and the ignored lines.
    QList<Message> notices;
    bool ok() const { return !error.has_value(); }
};

// 64 short lines: a larger file is not a table and is refused unread.
inline constexpr qint64 kTableFileMaxBytes = 16 * 1024;

// Reads and checks the whole file: 64 lines, each a number (blanks around it allowed, either
// separator); blank lines at the end are no content, lines past the 64th are ignored with a
// notice. A value out of the cell range is limited to it, with a notice naming the first such
// line and the count. On any problem the error names the file and the line, and there are no
// cells.
TableFileContent ReadTableFile(const QString& path, const DecimalFormat& format);
// The same for lines already read; fileName is what the messages call the file.
TableFileContent ParseTableLines(const QStringList& lines, const QString& fileName,
                                 const DecimalFormat& format);
// Writes the 64 texts as they are. Returns the error, or nothing.
std::optional<Message> WriteTableFile(const QString& path, const QStringList& cells);
