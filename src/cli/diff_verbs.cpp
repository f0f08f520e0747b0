// diff: two table, curve, dump or record files compared cell by cell.
#include "cli_common.h"
#include "languages.h"

#include "curve_file.h"
#include "curve_range_ops.h"
#include "dump_compare.h"
#include "dump_file.h"
#include "record_file.h"
#include "table_file.h"
#include "table_range_ops.h"
#include "text_file.h"

#include <QCommandLineParser>
#include <QFile>

#include <bit>

namespace {

const char* const kUsage =
    "usage: marvek2-cli diff FILE_A FILE_B [--kind dump|table|curve|record]\n"
    "       two tables, curves, dumps or record files, the kind told by the content\n"
    "       (where a table and a curve look alike, by a name ending in MAF.txt,\n"
    "       Lambda.txt or Emu.txt); exit 0 when equal, 1 when they differ, 2 on an error";

constexpr int kErrorStatus = 2;

// The kinds of file, as bits: a file may look like more than one.
enum Kind : unsigned { Table = 1, Curve = 2, Dump = 4, Record = 8, AnyKind = 15 };
const char* const kKindNames[] = {"table", "curve", "dump", "record"};

unsigned KindNamed(const QString& name) {
    for (unsigned bit = 0; bit < 4; ++bit) {
        if (name == QLatin1String(kKindNames[bit]))
            return 1u << bit;
    }
    return 0;
}

// What the name's ending says; any kind when it says nothing.
unsigned KindsByName(const QString& path) {
    if (path.endsWith(TableFileSuffix(TableKind::Water), Qt::CaseInsensitive) ||
        path.endsWith(TableFileSuffix(TableKind::Fuel), Qt::CaseInsensitive))
        return Table;
    if (path.endsWith(QLatin1String(curve::kCurveFileSuffix), Qt::CaseInsensitive))
        return Curve;
    if (path.endsWith(QLatin1String(kDumpFileSuffix), Qt::CaseInsensitive))
        return Dump;
    if (path.endsWith(QLatin1String(telemetry::kRecordFileSuffix), Qt::CaseInsensitive))
        return Record;
    return AnyKind;
}

// What the first lines allow: a dump's "EEPROM-" lines, a record's markers, or 64 numbers, which
// are a table or a curve (a curve holds nothing above 5 V, a table nothing below 0.01 ms). Any
// kind when the file cannot be read or is none of them: its reader then names the problem.
unsigned KindsByContent(const QString& path, const DecimalFormat& format) {
    const TextFileContent text = ReadTextFile(path, kDumpFileMaxBytes);
    const QString first = text.lines.value(0);
    if (first.startsWith(QLatin1String("EEPROM-")))
        return Dump;
    if (first.contains(telemetry::RecordMarker(0)))
        return Record;
    unsigned kinds = 0;
    if (const TableFileContent t = ParseTableLines(text.lines, path, format);
        t.ok() && t.limitedCount == 0)
        kinds |= Table;
    if (const curve::CurveFileContent c = curve::ParseCurveLines(text.lines, path, format);
        c.ok() && c.limitedCount == 0)
        kinds |= Curve;
    return kinds != 0 ? kinds : AnyKind;
}

unsigned KindsOf(const QString& path, const DecimalFormat& format) {
    const unsigned content = KindsByContent(path, format);
    // The content wins over a name that contradicts it.
    const unsigned both = content & KindsByName(path);
    return both != 0 ? both : content;
}

QString KindList(unsigned kinds) {
    QStringList names;
    for (unsigned bit = 0; bit < 4; ++bit) {
        if (kinds & (1u << bit))
            names << QLatin1String(kKindNames[bit]);
    }
    return names.join(QStringLiteral(" or "));
}

QString Hex(int byte) {
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

int Report(qsizetype differences) {
    out() << differences << (differences == 1 ? " difference" : " differences") << Qt::endl;
    return differences == 0 ? 0 : 1;
}

int DiffTables(const QString& a, const QString& b, const DecimalFormat& format) {
    const TableFileContent left = ReadTableFile(a, format);
    if (!left.ok())
        return fail(EnglishText(*left.error), kErrorStatus);
    const TableFileContent right = ReadTableFile(b, format);
    if (!right.ok())
        return fail(EnglishText(*right.error), kErrorStatus);
    const auto differences = CompareTables(left.cells, right.cells, format);
    for (const CellDifference& d : differences)
        out() << "column " << d.cell.column << ", row " << d.cell.row << ": " << d.left << " | "
              << d.right << '\n';
    return Report(differences.size());
}

int DiffCurves(const QString& a, const QString& b, const DecimalFormat& format) {
    const curve::CurveFileContent left = curve::ReadCurveFile(a, format);
    if (!left.ok())
        return fail(left.error, kErrorStatus);
    const curve::CurveFileContent right = curve::ReadCurveFile(b, format);
    if (!right.ok())
        return fail(right.error, kErrorStatus);
    const auto differences = curve::ComparePoints(left.texts, right.texts, format);
    for (const curve::PointDifference& d : differences)
        out() << "point " << d.point << ": " << d.left << " | " << d.right << '\n';
    return Report(differences.size());
}

int DiffDumps(const QString& a, const QString& b) {
    const DumpFileContent left = ReadDumpFile(a);
    if (!left.ok())
        return fail(left.error, kErrorStatus);
    const DumpFileContent right = ReadDumpFile(b);
    if (!right.ok())
        return fail(right.error, kErrorStatus);
    const auto differences = CompareDumps(left.image, right.image);
    for (const ByteDifference& d : differences)
        out() << "EEPROM-" << Hex(d.address) << ": " << Hex(d.left) << " | " << Hex(d.right) << "  "
              << d.owner << '\n';
    return Report(differences.size());
}

// Sample by sample over the samples both hold, each differing field with its marker's name
// ("sample 3, SP: 330 | 331", the values as the file holds them); a different number of samples
// is one difference more.
int DiffRecords(const QString& a, const QString& b, const DecimalFormat& format) {
    const telemetry::RecordFileContent left = telemetry::ReadRecordFile(a, format);
    if (!left.ok())
        return fail(left.error, kErrorStatus);
    const telemetry::RecordFileContent right = telemetry::ReadRecordFile(b, format);
    if (!right.ok())
        return fail(right.error, kErrorStatus);
    const qsizetype common = qMin(left.grid.rowCount(), right.grid.rowCount());
    qsizetype differences = 0;
    for (qsizetype row = 0; row < common; ++row) {
        for (int column = 0; column < telemetry::kGridColumns; ++column) {
            const double l = left.grid.cell(row, column);
            const double r = right.grid.cell(row, column);
            if (l == r)
                continue;
            ++differences;
            out() << "sample " << row + 1 << ", " << telemetry::GridKeys()[std::size_t(column)]
                  << ": " << format.format(l) << " | " << format.format(r) << '\n';
        }
    }
    if (left.grid.rowCount() != right.grid.rowCount()) {
        ++differences;
        out() << "samples: " << left.grid.rowCount() << " | " << right.grid.rowCount() << '\n';
    }
    return Report(differences);
}

} // namespace

int RunDiff(QCoreApplication&, const QStringList& args) {
    QCommandLineParser parser;
    const QCommandLineOption kindOption(
        QStringLiteral("kind"),
        QStringLiteral("The kind of both files, when their content does not tell: dump, table, "
                       "curve or record."),
        QStringLiteral("KIND"));
    parser.addOption(kindOption);
    parser.addPositionalArgument(QStringLiteral("FILE_A"), QStringLiteral("The first file."));
    parser.addPositionalArgument(QStringLiteral("FILE_B"), QStringLiteral("The second file."));
    if (const auto status = ParseVerb(parser, args, QLatin1String(kUsage), kErrorStatus))
        return *status;
    const QStringList files = parser.positionalArguments();
    if (files.size() != 2)
        return fail(QLatin1String(kUsage), kErrorStatus);

    // A file that cannot be read has no kind to tell: its error is the answer.
    for (const QString& file : files) {
        QFile readable(file);
        if (const Message error = OpenForReading(readable); !error.isEmpty())
            return fail(error, kErrorStatus);
    }
    const DecimalFormat format;
    unsigned kind = 0;
    if (parser.isSet(kindOption)) {
        kind = KindNamed(parser.value(kindOption));
        if (kind == 0)
            return fail(QStringLiteral("--kind takes dump, table, curve or record"), kErrorStatus);
    } else {
        const unsigned a = KindsOf(files.at(0), format);
        const unsigned b = KindsOf(files.at(1), format);
        kind = a & b;
        if (kind == 0)
            return fail(QStringLiteral("%1 (%2) and %3 (%4) are files of different kinds")
                            .arg(files.at(0), KindList(a), files.at(1), KindList(b)),
                        kErrorStatus);
        if (std::popcount(kind) > 1)
            return fail(QStringLiteral("cannot tell whether %1 and %2 are %3 files; name the "
                                       "kind with --kind")
                            .arg(files.at(0), files.at(1), KindList(kind)),
                        kErrorStatus);
    }
    switch (kind) {
    case Table:
        return DiffTables(files.at(0), files.at(1), format);
    case Curve:
        return DiffCurves(files.at(0), files.at(1), format);
    case Dump:
        return DiffDumps(files.at(0), files.at(1));
    default:
        return DiffRecords(files.at(0), files.at(1), format);
    }
}
