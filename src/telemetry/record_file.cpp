#include "record_file.h"

#include "decimal_format.h"
#include "file_names.h"
#include "text_file.h"

#include <QFileInfo>

#include <cmath>

namespace telemetry {

namespace {

const std::array<QString, kGridColumns>& Markers() {
    static const std::array<QString, kGridColumns> markers = [] {
        std::array<QString, kGridColumns> m;
        for (int c = 0; c < kGridColumns; ++c)
            m[std::size_t(c)] =
                QLatin1Char('#') + QLatin1String(GridKeys()[std::size_t(c)]) + QLatin1Char('#');
        return m;
    }();
    return markers;
}

// Most fields are plain integers: read those directly, everything else through the locale
// helper (decimals with either separator, blanks around the number).
std::optional<double> ParseField(QStringView text, const DecimalFormat& format) {
    constexpr qsizetype kMaxDigits = 15; // exact in a double
    qsizetype i = 0;
    const bool negative = !text.isEmpty() && text.front() == u'-';
    if (negative)
        i = 1;
    if (text.size() > i && text.size() - i <= kMaxDigits) {
        qint64 value = 0;
        bool digitsOnly = true;
        for (; i < text.size(); ++i) {
            const char16_t u = text[i].unicode();
            if (u < u'0' || u > u'9') {
                digitsOnly = false;
                break;
            }
            value = value * 10 + (u - u'0');
        }
        if (digitsOnly)
            return negative ? -double(value) : double(value);
    }
    return format.parse(text.toString());
}

QString NotANumber(QStringView text) {
    return QStringLiteral("'%1' is not a valid floating point value").arg(text);
}

// Fields as the markers delimit them: field 1 is the text before the first "#Step#", every
// further field the text between the end of the previous marker and the first occurrence of
// its own. A missing or misplaced marker leaves an empty field, which is not a number.
QString ParseLine(QStringView line, const DecimalFormat& format, SampleRow& row) {
    qsizetype fieldStart = 0;
    for (int c = 0; c < kGridColumns; ++c) {
        const QString& marker = Markers()[std::size_t(c)];
        const qsizetype at = line.indexOf(marker);
        if (at < 0)
            return NotANumber(u"") + QStringLiteral(" (no marker %1)").arg(marker);
        const QStringView field =
            at >= fieldStart ? line.mid(fieldStart, at - fieldStart) : QStringView();
        const auto value = ParseField(field, format);
        if (!value)
            return NotANumber(field);
        row[std::size_t(c)] = *value;
        fieldStart = at + marker.size();
    }
    return QString();
}

QString CellText(double value, const DecimalFormat& format) {
    if (value == std::trunc(value) && std::abs(value) < 1e15)
        return QString::number(qint64(value));
    return format.format(value);
}

} // namespace

QString RecordMarker(int column) {
    return Markers()[std::size_t(column)];
}

QString RecordFileName(const QString& chosenName) {
    return FileNameWithSuffix(chosenName, QLatin1String(kRecordFileSuffix));
}

QString RecordFileCaption(const QString& path) {
    return QFileInfo(path).fileName().chopped(
        std::min<qsizetype>(4, QFileInfo(path).fileName().size()));
}

RecordFileContent ParseRecordLines(const QStringList& lines, const DecimalFormat& format,
                                   const QString& fileName) {
    RecordFileContent content;
    qsizetype end = lines.size();
    while (end > 0 && lines.at(end - 1).trimmed().isEmpty())
        --end;
    SampleRow row{};
    for (qsizetype i = 0; i < end; ++i) {
        const QString problem = ParseLine(lines.at(i), format, row);
        if (!problem.isEmpty()) {
            content.grid.clear();
            content.error = QStringLiteral("%1, line %2: %3").arg(fileName).arg(i + 1).arg(problem);
            return content;
        }
        content.grid.append(row);
    }
    return content;
}

RecordFileContent ReadRecordFile(const QString& path, const DecimalFormat& format) {
    const TextFileContent text = ReadTextFile(path);
    if (!text.ok()) {
        RecordFileContent content;
        content.error = text.error;
        return content;
    }
    return ParseRecordLines(text.lines, format, DisplayPath(path));
}

QString RecordLine(const SampleRow& row, const DecimalFormat& format) {
    QString line;
    line.reserve(96);
    for (int c = 0; c < kGridColumns; ++c) {
        line += CellText(row[std::size_t(c)], format);
        line += Markers()[std::size_t(c)];
    }
    return line;
}

QString WriteRecordFile(const QString& path, const SampleGrid& grid, const DecimalFormat& format) {
    QStringList lines;
    lines.reserve(grid.rowCount());
    for (qsizetype r = 0; r < grid.rowCount(); ++r)
        lines.append(RecordLine(grid.row(r), format));
    return WriteTextFile(path, lines);
}

} // namespace telemetry
