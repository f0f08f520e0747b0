#include "table_file.h"

#include "file_names.h"
#include "table_values.h"
#include "text_file.h"

#include <algorithm>
#include <cmath>

QString TableFileSuffix(TableKind kind) {
    return kind == TableKind::Water ? QStringLiteral("MAF.txt") : QStringLiteral("Lambda.txt");
}

QString TableFileName(TableKind kind, const QString& chosenName) {
    return FileNameWithSuffix(chosenName, TableFileSuffix(kind));
}

TableFileContent ReadTableFile(const QString& path, const DecimalFormat& format) {
    TableFileContent content;
    const TextFileContent file = ReadTextFile(path, kTableFileMaxBytes);
    const QString shown = DisplayPath(path);
    if (!file.ok()) {
        content.error = file.error;
        return content;
    }
    if (file.truncated) {
        content.error = FileTooLarge(path, kTableFileMaxBytes);
        return content;
    }
    return ParseTableLines(file.lines, shown, format);
}

TableFileContent ParseTableLines(const QStringList& lines, const QString& fileName,
                                 const DecimalFormat& format) {
    TableFileContent content;
    qsizetype used = lines.size();
    while (used > kTableCells && lines.at(used - 1).trimmed().isEmpty())
        --used; // an editor's extra line ends are no content
    if (used < kTableCells) {
        content.error = Message{QLatin1String(table_messages::FileLineCount),
                                {fileName, QString::number(used)}};
        return content;
    }
    QStringList cells;
    for (int i = 0; i < kTableCells; ++i) {
        const QString line = format.normalised(lines.at(i));
        const auto value = format.parse(line);
        if (!value || !std::isfinite(*value)) {
            content.error = Message{QLatin1String(table_messages::FileLine),
                                    {fileName, QString::number(i + 1), QuotedExcerpt(lines.at(i))}};
            return content;
        }
        if (*value < kCellMinimum || *value > kCellMaximum) {
            if (content.limitedCount++ == 0)
                content.firstLimitedLine = i + 1;
            cells << format.format(std::clamp(*value, kCellMinimum, kCellMaximum));
        } else {
            cells << line.trimmed();
        }
    }
    content.cells = cells;
    if (content.limitedCount > 0)
        content.notices << Message{QLatin1String(table_messages::FileLimited),
                                   {fileName, QString::number(content.firstLimitedLine),
                                    QString::number(content.limitedCount)}};
    if (used > kTableCells) {
        content.ignoredFrom = kTableCells + 1;
        content.notices << Message{QLatin1String(table_messages::FileExtraLines),
                                   {fileName, QString::number(content.ignoredFrom)}};
    }
    return content;
}

std::optional<Message> WriteTableFile(const QString& path, const QStringList& cells) {
    const QString error = WriteTextFile(path, cells.mid(0, kTableCells));
    if (!error.isEmpty())
        return Message{QLatin1String(table_messages::FileWrite), {DisplayPath(path), error}};
    return std::nullopt;
}
