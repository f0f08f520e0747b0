#include "table_file.h"

#include "file_names.h"
#include "table_values.h"
#include "text_file.h"

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
        content.error = TableMessage{QLatin1String(table_messages::FileRead), {shown, file.error}};
        return content;
    }
    if (file.truncated) {
        content.error = TableMessage{QLatin1String(kMsgFileTooLarge),
                                     FileTooLargeArguments(path, kTableFileMaxBytes)};
        return content;
    }
    return ParseTableLines(file.lines, shown, format);
}

TableFileContent ParseTableLines(const QStringList& lines, const QString& fileName,
                                 const DecimalFormat& format) {
    TableFileContent content;
    if (lines.size() != kTableCells) {
        content.error = TableMessage{QLatin1String(table_messages::FileLineCount),
                                     {fileName, QString::number(lines.size())}};
        return content;
    }
    QStringList cells;
    for (int i = 0; i < kTableCells; ++i) {
        const QString line = format.normalised(lines.at(i));
        if (!format.parse(line)) {
            content.error =
                TableMessage{QLatin1String(table_messages::FileLine),
                             {fileName, QString::number(i + 1), QuotedExcerpt(lines.at(i))}};
            return content;
        }
        cells << line.trimmed();
    }
    content.cells = cells;
    return content;
}

std::optional<TableMessage> WriteTableFile(const QString& path, const QStringList& cells) {
    const QString error = WriteTextFile(path, cells.mid(0, kTableCells));
    if (!error.isEmpty())
        return TableMessage{QLatin1String(table_messages::FileWrite), {DisplayPath(path), error}};
    return std::nullopt;
}
