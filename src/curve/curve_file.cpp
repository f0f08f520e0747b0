#include "curve_file.h"

#include "curve_codec.h"
#include "file_names.h"
#include "text_file.h"

#include <cmath>

namespace curve {

QString CurveFileName(const QString& chosenName) {
    return FileNameWithSuffix(chosenName, QLatin1String(kCurveFileSuffix));
}

CurveFileContent ParseCurveLines(const QStringList& lines, const QString& fileName,
                                 const DecimalFormat& format) {
    CurveFileContent content;
    // A refused file gives no points at all, not the ones before the bad line.
    auto refuse = [&content](const Message& error) {
        content.texts.clear();
        content.values.clear();
        content.error = error;
        return content;
    };
    for (int i = 0; i < kPointCount; ++i) {
        if (i >= lines.size())
            return refuse(MakeMessage(kMsgFileMissingLine, {fileName, QString::number(i + 1)}));
        const QString& line = lines.at(i);
        const std::optional<double> value = format.parse(line);
        if (!value || !std::isfinite(*value))
            return refuse(MakeMessage(kMsgFileNotNumber,
                                      {fileName, QString::number(i + 1), QuotedExcerpt(line)}));
        const double limited = LimitVolts(*value);
        if (limited != *value && content.limitedCount++ == 0)
            content.firstLimitedLine = i + 1;
        content.texts.append(limited != *value ? format.format(limited)
                                               : format.normalised(line).trimmed());
        content.values.append(limited);
    }
    if (content.limitedCount > 0)
        content.notices << MakeMessage(kMsgFileLimited,
                                       {fileName, QString::number(content.firstLimitedLine),
                                        QString::number(content.limitedCount)});
    // Blank lines at the end (an editor's extra line end) are no content; text is ignored.
    for (qsizetype i = kPointCount; i < lines.size(); ++i) {
        if (!lines.at(i).trimmed().isEmpty()) {
            content.ignoredFrom = int(i + 1);
            content.notices << MakeMessage(kMsgFileExtraLine, {fileName, QString::number(i + 1)});
            break;
        }
    }
    return content;
}

CurveFileContent ReadCurveFile(const QString& path, const DecimalFormat& format) {
    const TextFileContent file = ReadTextFile(path, kCurveFileMaxBytes);
    if (!file.ok()) {
        CurveFileContent content;
        content.error = file.error;
        return content;
    }
    if (file.truncated) {
        CurveFileContent content;
        content.error = FileTooLarge(path, kCurveFileMaxBytes);
        return content;
    }
    return ParseCurveLines(file.lines, DisplayPath(path), format);
}

Message WriteCurveFile(const QString& path, const QStringList& texts) {
    const QString error = WriteTextFile(path, texts);
    return error.isEmpty() ? Message{} : MakeMessage(kMsgFileError, {error});
}

} // namespace curve
