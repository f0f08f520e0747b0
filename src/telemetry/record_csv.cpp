#include "record_csv.h"

#include "decimal_format.h"
#include "telemetry_channel.h"
#include "text_file.h"

namespace telemetry {

QChar CsvFieldSeparator(const DecimalFormat& format) {
    return format.separator() == u',' ? QChar(u';') : QChar(u',');
}

QString CsvHeader(const DecimalFormat& format) {
    QStringList names{QStringLiteral("SampleTime (с)")};
    for (const ChannelInfo& info : Channels())
        names << QStringLiteral("%1 (%2)").arg(QString::fromUtf8(info.name),
                                               QString::fromUtf8(info.unit));
    return names.join(CsvFieldSeparator(format));
}

QString CsvRow(const SampleRow& row, const DecimalFormat& format) {
    QStringList fields;
    fields.reserve(kGridColumns);
    for (const double cell : row)
        fields << format.format(cell / 100);
    return fields.join(CsvFieldSeparator(format));
}

QStringList CsvLines(const SampleGrid& grid, const DecimalFormat& format) {
    QStringList lines;
    lines.reserve(grid.rowCount() + 1);
    lines << CsvHeader(format);
    for (qsizetype r = 0; r < grid.rowCount(); ++r)
        lines << CsvRow(grid.row(r), format);
    return lines;
}

QString WriteCsvFile(const QString& path, const SampleGrid& grid, const DecimalFormat& format) {
    return WriteTextFile(path, CsvLines(grid, format));
}

} // namespace telemetry
