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
    QStringList cells; // 64 texts with the separator of this system
    std::optional<TableMessage> error;
    bool ok() const { return !error.has_value(); }
};

// 64 short lines: a larger file is not a table and is refused unread.
inline constexpr qint64 kTableFileMaxBytes = 16 * 1024;

// Reads and checks the whole file: exactly 64 lines, each a number (blanks around it allowed,
// either separator). Values out of the cell range are accepted; the view clamps them. On any
// problem the error names the file and the line, and there are no cells.
TableFileContent ReadTableFile(const QString& path, const DecimalFormat& format);
// The same for lines already read; fileName is what the messages call the file.
TableFileContent ParseTableLines(const QStringList& lines, const QString& fileName,
                                 const DecimalFormat& format);
// Writes the 64 texts as they are. Returns the error, or nothing.
std::optional<TableMessage> WriteTableFile(const QString& path, const QStringList& cells);
