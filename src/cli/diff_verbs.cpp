// diff: two table, curve or dump files compared cell by cell.
#include "cli_common.h"
#include "languages.h"

#include "curve_file.h"
#include "curve_range_ops.h"
#include "dump_compare.h"
#include "dump_file.h"
#include "table_file.h"
#include "table_range_ops.h"

namespace {

const char* const kUsage = "usage: marvek2-cli diff FILE_A FILE_B\n"
                           "       two table files (*MAF.txt, *Lambda.txt), two curve files "
                           "(*Emu.txt) or two dumps (*.mmr2);\n"
                           "       exit 0 when equal, 1 when they differ, 2 on an error";

constexpr int kErrorStatus = 2;

enum class FileKind { Table, Curve, Dump, Unknown };

FileKind KindOf(const QString& path) {
    if (path.endsWith(TableFileSuffix(TableKind::Water), Qt::CaseInsensitive) ||
        path.endsWith(TableFileSuffix(TableKind::Fuel), Qt::CaseInsensitive))
        return FileKind::Table;
    if (path.endsWith(QLatin1String(curve::kCurveFileSuffix), Qt::CaseInsensitive))
        return FileKind::Curve;
    if (path.endsWith(QLatin1String(kDumpFileSuffix), Qt::CaseInsensitive))
        return FileKind::Dump;
    return FileKind::Unknown;
}

QString Hex(int byte) {
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

int Report(qsizetype differences) {
    out() << differences << (differences == 1 ? " difference" : " differences") << Qt::endl;
    return differences == 0 ? 0 : 1;
}

} // namespace

int RunDiff(QCoreApplication&, const QStringList& args) {
    const QStringList files = args.mid(1);
    if (files.size() != 2 || files.at(0).startsWith(QLatin1Char('-')) ||
        files.at(1).startsWith(QLatin1Char('-')))
        return fail(QLatin1String(kUsage), kErrorStatus);
    FileKind a = KindOf(files.at(0));
    FileKind b = KindOf(files.at(1));
    // A file without a known ending takes the kind of the other one.
    if (a == FileKind::Unknown)
        a = b;
    if (b == FileKind::Unknown)
        b = a;
    if (a == FileKind::Unknown)
        return fail(QStringLiteral("cannot tell what kind of file %1 and %2 are\n%3")
                        .arg(files.at(0), files.at(1), QLatin1String(kUsage)),
                    kErrorStatus);
    if (a != b)
        return fail(
            QStringLiteral("%1 and %2 are files of different kinds").arg(files.at(0), files.at(1)),
            kErrorStatus);

    const DecimalFormat format;
    switch (a) {
    case FileKind::Table: {
        const TableFileContent left = ReadTableFile(files.at(0), format);
        if (!left.ok())
            return fail(EnglishText(*left.error), kErrorStatus);
        const TableFileContent right = ReadTableFile(files.at(1), format);
        if (!right.ok())
            return fail(EnglishText(*right.error), kErrorStatus);
        const auto differences = CompareTables(left.cells, right.cells, format);
        for (const CellDifference& d : differences)
            out() << "column " << d.cell.column << ", row " << d.cell.row << ": " << d.left << " | "
                  << d.right << '\n';
        return Report(differences.size());
    }
    case FileKind::Curve: {
        const curve::CurveFileContent left = curve::ReadCurveFile(files.at(0), format);
        if (!left.ok())
            return fail(EnglishText(left.error), kErrorStatus);
        const curve::CurveFileContent right = curve::ReadCurveFile(files.at(1), format);
        if (!right.ok())
            return fail(EnglishText(right.error), kErrorStatus);
        const auto differences = curve::ComparePoints(left.texts, right.texts, format);
        for (const curve::PointDifference& d : differences)
            out() << "point " << d.point << ": " << d.left << " | " << d.right << '\n';
        return Report(differences.size());
    }
    case FileKind::Dump: {
        const DumpFileContent left = ReadDumpFile(files.at(0));
        if (!left.ok())
            return fail(left.error, kErrorStatus);
        const DumpFileContent right = ReadDumpFile(files.at(1));
        if (!right.ok())
            return fail(right.error, kErrorStatus);
        const auto differences = CompareDumps(left.image, right.image);
        for (const ByteDifference& d : differences)
            out() << "EEPROM-" << Hex(d.address) << ": " << Hex(d.left) << " | " << Hex(d.right)
                  << "  " << d.owner << '\n';
        return Report(differences.size());
    }
    case FileKind::Unknown:
        break;
    }
    return fail(QLatin1String(kUsage), kErrorStatus);
}
