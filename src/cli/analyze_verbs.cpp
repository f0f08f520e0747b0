// analyze: where a recording spent its time on an injection table, cell by cell.
#include "cli_common.h"

#include "cell_map.h"
#include "decimal_format.h"
#include "record_csv.h"
#include "record_file.h"
#include "table_values.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include <cmath>

namespace {

const char* const kAnalyzeUsage =
    "usage: marvek2-cli analyze RECORD --table water|fuel [--basis time|maf]\n"
    "       [--channel NAME] [--from S] [--to S] [--where NAME>VALUE|NAME<VALUE] [--csv]";

struct AnalyzeOptions {
    QString record;
    QString table;
    telemetry::CellMapOptions map;
    bool channelChosen = false;
    bool csv = false;
};

std::optional<double> seconds(const QString& text) {
    bool ok = false;
    const double value = QString(text).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

// "T>80" or "PVK<3000".
std::optional<telemetry::ChannelCondition> conditionOf(const QString& text) {
    static const QRegularExpression shape(QStringLiteral("^\\s*(\\w+)\\s*([<>])\\s*(\\S+)\\s*$"));
    const QRegularExpressionMatch m = shape.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const std::optional<telemetry::Channel> channel = telemetry::ChannelByName(m.captured(1));
    const std::optional<double> value = seconds(m.captured(3));
    if (!channel || !value)
        return std::nullopt;
    using Comparison = telemetry::ChannelCondition::Comparison;
    return telemetry::ChannelCondition{
        *channel, m.captured(2) == QLatin1String(">") ? Comparison::Above : Comparison::Below,
        *value};
}

QString channelNames() {
    QStringList names;
    for (const telemetry::ChannelInfo& info : telemetry::Channels())
        names.append(QLatin1String(info.name));
    return names.join(QStringLiteral(", "));
}

// Parses the verb's arguments; returns the status the run ends with (help, or a mistake), or
// nothing.
std::optional<int> parseAnalyzeOptions(const QStringList& args, AnalyzeOptions* options) {
    QCommandLineParser parser;
    const QCommandLineOption table(QStringLiteral("table"),
                                   QStringLiteral("The table the map is laid on: water or fuel."),
                                   QStringLiteral("KIND"));
    const QCommandLineOption basis(
        QStringLiteral("basis"),
        QStringLiteral("The table's rows: time (injection time, default) or maf."),
        QStringLiteral("BASIS"));
    const QCommandLineOption channel(
        QStringLiteral("channel"),
        QStringLiteral("Print the channel's mean per cell instead of the dwell: ") + channelNames(),
        QStringLiteral("NAME"));
    const QCommandLineOption from(QStringLiteral("from"),
                                  QStringLiteral("Count the samples from this second on."),
                                  QStringLiteral("S"));
    const QCommandLineOption to(QStringLiteral("to"),
                                QStringLiteral("Count the samples up to this second."),
                                QStringLiteral("S"));
    const QCommandLineOption where(
        QStringLiteral("where"),
        QStringLiteral("Count only the samples where NAME>VALUE or NAME<VALUE holds."),
        QStringLiteral("CONDITION"));
    const QCommandLineOption csv(QStringLiteral("csv"),
                                 QStringLiteral("Print the matrix as CSV, without the heading."));
    parser.addOptions({table, basis, channel, from, to, where, csv});
    parser.addPositionalArgument(QStringLiteral("RECORD"), QStringLiteral("The record file."));
    if (const auto status = ParseVerb(parser, args, QLatin1String(kAnalyzeUsage)))
        return status;
    const QString kind = parser.value(table);
    if (parser.positionalArguments().size() != 1 ||
        (kind != QLatin1String("water") && kind != QLatin1String("fuel")))
        return fail(QString::fromLatin1(kAnalyzeUsage));
    options->record = parser.positionalArguments().first();
    options->table = kind;
    options->csv = parser.isSet(csv);
    const QString basisName = parser.isSet(basis) ? parser.value(basis) : QStringLiteral("time");
    if (basisName != QLatin1String("time") && basisName != QLatin1String("maf"))
        return fail(QStringLiteral("--basis takes time or maf"));
    options->map.basis =
        basisName == QLatin1String("maf") ? CorrectionBasis::Maf : CorrectionBasis::InjectionTime;
    if (parser.isSet(channel)) {
        const auto named = telemetry::ChannelByName(parser.value(channel));
        if (!named)
            return fail(QStringLiteral("--channel takes one of ") + channelNames());
        options->map.channel = *named;
        options->channelChosen = true;
    }
    for (const auto& [option, bound] : {std::pair{&from, &options->map.filter.fromSeconds},
                                        std::pair{&to, &options->map.filter.toSeconds}}) {
        if (!parser.isSet(*option))
            continue;
        *bound = seconds(parser.value(*option));
        if (!*bound)
            return fail(
                QStringLiteral("--%1 takes seconds of the recording").arg(option->names()[0]));
    }
    if (parser.isSet(where)) {
        options->map.filter.condition = conditionOf(parser.value(where));
        if (!options->map.filter.condition)
            return fail(QStringLiteral("--where takes NAME>VALUE or NAME<VALUE, NAME one of ") +
                        channelNames());
    }
    return std::nullopt;
}

// The matrix as the table page lays it out: speeds along the top, load rows down the side.
QStringList matrixLines(const telemetry::CellMap& map, const AnalyzeOptions& options,
                        const DecimalFormat& format) {
    const QString corner =
        options.map.basis == CorrectionBasis::Maf ? QStringLiteral("V") : QStringLiteral("t, ms");
    auto cellText = [&](const telemetry::CellDwell& cell) {
        if (!cell.visited())
            return options.csv ? QString() : QStringLiteral("-");
        const double value = options.channelChosen ? cell.mean : cell.percent;
        return format.format(RoundHalfEven(value, options.channelChosen ? 2 : 1));
    };
    QList<QStringList> rows;
    rows.append(QStringList{corner} + SpeedLabels());
    const QStringList rowLabels = BasisRowLabels(options.map.basis);
    for (int r = 1; r <= kTableRows; ++r) {
        QStringList row{format.normalised(rowLabels.at(r - 1))};
        for (int c = 1; c <= kTableColumns; ++c)
            row.append(cellText(map.at(c, r)));
        rows.append(row);
    }
    QStringList lines;
    if (options.csv) {
        const QString separator(telemetry::CsvFieldSeparator(format));
        for (QStringList row : std::as_const(rows)) {
            for (QString& field : row) // "t, ms" where the comma separates fields
                if (field.contains(separator))
                    field = QLatin1Char('"') + field + QLatin1Char('"');
            lines.append(row.join(separator));
        }
        return lines;
    }
    qsizetype width = 0;
    for (const QStringList& row : std::as_const(rows))
        for (const QString& field : row)
            width = std::max(width, field.size());
    for (const QStringList& row : std::as_const(rows)) {
        QString line = row.first().leftJustified(width + 1);
        for (qsizetype i = 1; i < row.size(); ++i)
            line += row.at(i).rightJustified(width + 1);
        lines.append(line);
    }
    return lines;
}

} // namespace

// Reads a record file and prints its cell map: the dwell in percent of the counted time, or the
// mean of --channel, per cell; "-" (empty in CSV) where the engine never was.
int RunAnalyze(QCoreApplication&, const QStringList& args) {
    AnalyzeOptions options;
    if (const auto status = parseAnalyzeOptions(args, &options))
        return *status;
    const DecimalFormat format;
    const telemetry::RecordFileContent file = telemetry::ReadRecordFile(options.record, format);
    if (!file.ok())
        return fail(file.error);
    const telemetry::CellMap map = telemetry::MapRecording(file.grid, options.map);
    if (!options.csv) {
        const QString what =
            options.channelChosen
                ? QStringLiteral("mean of %1")
                      .arg(QLatin1String(telemetry::InfoOf(options.map.channel).name))
                : QStringLiteral("dwell, % of the time");
        out() << options.table << " table, " << what << "; " << map.samples() << " of "
              << file.grid.rowCount() << " samples, "
              << format.format(RoundHalfEven(map.seconds(), 2)) << " s\n";
    }
    for (const QString& line : matrixLines(map, options, format))
        out() << line << '\n';
    out().flush();
    return 0;
}
