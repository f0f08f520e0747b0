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
    for (int i = 0; i < kPointCount; ++i) {
        if (i >= lines.size()) {
            content.error = MakeMessage(kMsgFileMissingLine, {fileName, QString::number(i + 1)});
            return content;
        }
        const QString& line = lines.at(i);
        const std::optional<double> value = format.parse(line);
        if (!value || !std::isfinite(*value)) {
            content.error =
                MakeMessage(kMsgFileNotNumber, {fileName, QString::number(i + 1), line});
            return content;
        }
        content.texts.append(format.normalised(line).trimmed());
        content.values.append(*value);
    }
    // Blank lines at the end (an editor's extra line end) are no content; anything else is.
    for (qsizetype i = kPointCount; i < lines.size(); ++i) {
        if (!lines.at(i).trimmed().isEmpty()) {
            content.error = MakeMessage(kMsgFileExtraLine, {fileName, QString::number(i + 1)});
            return content;
        }
    }
    if (!content.ok()) {
        content.texts.clear();
        content.values.clear();
    }
    return content;
}

CurveFileContent ReadCurveFile(const QString& path, const DecimalFormat& format) {
    const TextFileContent file = ReadTextFile(path);
    if (!file.ok()) {
        CurveFileContent content;
        content.error = MakeMessage(kMsgFileError, {file.error});
        return content;
    }
    CurveFileContent content = ParseCurveLines(file.lines, DisplayPath(path), format);
    if (!content.ok()) {
        content.texts.clear();
        content.values.clear();
    }
    return content;
}

Message WriteCurveFile(const QString& path, const QStringList& texts) {
    const QString error = WriteTextFile(path, texts);
    return error.isEmpty() ? Message{} : MakeMessage(kMsgFileError, {error});
}

} // namespace curve
