#include "record_file.h"

#include "decimal_format.h"
#include "file_names.h"
#include "text_file.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

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

// Fields as the markers delimit them: field 1 is the text before the first "#Step#", every
// further field the text between the end of the previous marker and the first occurrence of
// its own. A missing or misplaced marker leaves an empty field, which is not a number. Returns
// the problem's key with its details (the file and the line come first when it is reported).
Message ParseLine(QStringView line, const DecimalFormat& format, SampleRow& row) {
    qsizetype fieldStart = 0;
    for (int c = 0; c < kGridColumns; ++c) {
        const QString& marker = Markers()[std::size_t(c)];
        const qsizetype at = line.indexOf(marker);
        if (at < 0)
            return {QStringLiteral("Msg_RecordNoMarker"), {marker}};
        const QStringView field =
            at >= fieldStart ? line.mid(fieldStart, at - fieldStart) : QStringView();
        const auto value = ParseField(field, format);
        if (!value)
            return {QStringLiteral("Msg_RecordNotNumber"), {QuotedExcerpt(field)}};
        row[std::size_t(c)] = *value;
        fieldStart = at + marker.size();
    }
    return {};
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

namespace {

// Takes the lines one at a time. A blank line is only allowed where nothing but blank lines
// follows it, so it is judged when the next line that is not blank arrives.
class RecordParser {
public:
    RecordParser(const DecimalFormat& format, const QString& fileName)
        : m_format(format), m_fileName(fileName) {}

    // Returns false once the content has its error.
    bool add(QStringView line) {
        ++m_number;
        if (line.size() > kRecordLineMaxLength) {
            fail(m_number, {QStringLiteral("Msg_RecordLineTooLong"),
                            {QString::number(kRecordLineMaxLength)}});
            return false;
        }
        if (line.trimmed().isEmpty()) {
            if (m_firstBlank == 0)
                m_firstBlank = m_number;
            return true;
        }
        if (m_firstBlank != 0) {
            SampleRow ignored{};
            fail(m_firstBlank, ParseLine(u"", m_format, ignored));
            return false;
        }
        const Message problem = ParseLine(line, m_format, m_row);
        if (!problem.isEmpty()) {
            fail(m_number, problem);
            return false;
        }
        m_content.grid.append(m_row);
        return true;
    }

    void fail(qsizetype number, const Message& problem) {
        m_content.grid.clear();
        m_content.error = {problem.key,
                           QStringList{m_fileName, QString::number(number)} + problem.args};
    }

    RecordFileContent take() { return std::move(m_content); }

private:
    const DecimalFormat& m_format;
    QString m_fileName;
    RecordFileContent m_content;
    SampleRow m_row{};
    qsizetype m_number = 0;
    qsizetype m_firstBlank = 0;
};

} // namespace

RecordFileContent ParseRecordLines(const QStringList& lines, const DecimalFormat& format,
                                   const QString& fileName) {
    RecordParser parser(format, fileName);
    for (const QString& line : lines) {
        if (!parser.add(line))
            break;
    }
    return parser.take();
}

RecordFileContent ReadRecordFile(const QString& path, const DecimalFormat& format) {
    const QString shown = DisplayPath(path);
    RecordFileContent refused;
    QFile file(path);
    refused.error = OpenForReading(file);
    if (!refused.error.isEmpty())
        return refused;
    if (file.size() > kRecordFileMaxBytes) {
        refused.error = FileTooLarge(path, kRecordFileMaxBytes);
        return refused;
    }
    RecordParser parser(format, shown);
    QStringDecoder decoder("windows-1251");
    // readLine takes at most one byte less than this: the longest line with its CR LF. Of a
    // longer line only that much is read, and its length refuses it.
    const qint64 readLimit = kRecordLineMaxLength + 3;
    while (!file.atEnd()) {
        QByteArray bytes = file.readLine(readLimit);
        if (bytes.isEmpty() && file.error() != QFileDevice::NoError)
            break;
        if (bytes.endsWith('\n'))
            bytes.chop(bytes.endsWith("\r\n") ? 2 : 1);
        if (!parser.add(QString(decoder.decode(bytes))))
            return parser.take();
    }
    if (file.error() != QFileDevice::NoError) {
        refused.error = ReadFailure(file);
        return refused;
    }
    return parser.take();
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
