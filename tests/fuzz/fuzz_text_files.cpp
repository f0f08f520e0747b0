// The readers of the files users carry between machines, one fuzz target each (the reader is
// chosen at build time by FUZZ_READER). Fuzzer bytes are the file; the lines the reader sees are
// what the program reads from such a file.
//
// Each target uses one of the checks below; the others are unused there.
//
// Checked for every reader: every problem is a bounded message naming the file and a line; what
// is accepted, written by the writer and read again, is the same content, and writing that gives
// the same bytes again (the writer's output is the reader's fixed point).

#include "config_file.h"
#include "curve_file.h"
#include "dump_file.h"
#include "fuzz_support.h"
#include "info_file.h"
#include "languages.h"
#include "record_file.h"
#include "table_file.h"

#include <QCoreApplication>

#include <optional>

namespace {

using fuzz::FileBytes;
using fuzz::LinesOf;
using fuzz::Require;

const QString kName = QStringLiteral("fuzzed.txt");

void RequireNamedMessage(const QString& message, const char* property) {
    Require(message.contains(kName), property, message);
    Require(message.size() <= fuzz::kMaxMessageLength, "messages are bounded", message);
}

void RequireBoundedArguments(const QStringList& arguments) {
    for (const QString& a : arguments)
        Require(a.size() <= fuzz::kMaxMessageLength, "message arguments are bounded", a);
}

// Worded in the built-in English, the message names the file; its arguments are bounded.
void RequireNamedMessage(const Message& message, const char* property) {
    RequireNamedMessage(EnglishText(message), property);
    RequireBoundedArguments(message.args);
}

// Writes, reads back and writes again: the second read has no problem and the same content, the
// second write the same bytes. read returns the content, or nothing when the lines have a problem.
template <typename Content, typename Write, typename Read>
void RequireFixedPoint(const Content& content, Write write, Read read) {
    const QByteArray once = FileBytes(write(content));
    const std::optional<Content> again = read(LinesOf(once));
    Require(again && *again == content, "what is written reads back the same",
            QString::fromLatin1(once));
    Require(FileBytes(write(*again)) == once, "writing what was read back gives the same bytes",
            QString::fromLatin1(once));
}

const DecimalFormat& Comma() {
    static const DecimalFormat format(u',');
    return format;
}

[[maybe_unused]] void Info(const QStringList& lines) {
    const InfoFileContent c = ParseInfoLines(lines, kName, Comma());
    Require(c.problems.size() <= kInfoFileLineCount + 1, "a problem at most per line");
    for (const Message& p : c.problems)
        RequireNamedMessage(p, "an Info_A.ini problem names the file");
    // Read back from the writer's lines, the settings have no problem.
    const InfoFileContent first =
        ParseInfoLines(InfoFileLines(c.settings, Comma()), kName, Comma());
    Require(first.problems.isEmpty(), "written Info_A.ini reads without problems",
            first.problems.isEmpty() ? QString() : EnglishText(first.problems.first()));
    RequireFixedPoint(
        first.settings, [](const InfoSettings& s) { return InfoFileLines(s, Comma()); },
        [](const QStringList& l) -> std::optional<InfoSettings> {
            const InfoFileContent again = ParseInfoLines(l, kName, Comma());
            return again.problems.isEmpty() ? std::optional(again.settings) : std::nullopt;
        });
}

[[maybe_unused]] void Config(const QStringList& lines) {
    const ConfigFileContent c = ParseConfigLines(lines, kName);
    Require(c.problems.size() <= kSensorPairCodeCount + 1, "a problem at most per line");
    for (const Message& p : c.problems)
        RequireNamedMessage(p, "a Config_A.ini problem names the file");
    RequireFixedPoint(
        c.table, [](const ParameterFlagsTable& t) { return t.lines(); },
        [](const QStringList& l) -> std::optional<ParameterFlagsTable> {
            const ConfigFileContent again = ParseConfigLines(l, kName);
            return again.problems.isEmpty() ? std::optional(again.table) : std::nullopt;
        });
}

QStringList LanguageLines(const QList<LanguageFileEntry>& entries) {
    QStringList lines;
    for (const LanguageFileEntry& e : entries)
        lines << e.form + u'.' + e.control + u'#' + e.property + u'=' + e.value;
    return lines;
}

[[maybe_unused]] void Language(const QStringList& lines) {
    const QList<LanguageFileEntry> entries = ParseLanguageLines(lines);
    Require(entries.size() <= lines.size(), "an entry at most per line");
    InterfaceTexts texts;
    texts.apply(entries);
    for (int n = 1; n <= InterfaceTexts::kCount; ++n)
        (void)texts.message(Message{QStringLiteral("Text%1").arg(n, 2, 10, QLatin1Char('0')),
                                    {QStringLiteral("a"), QStringLiteral("b")}});
    RequireFixedPoint(entries, LanguageLines,
                      [](const QStringList& l) { return std::optional(ParseLanguageLines(l)); });
}

[[maybe_unused]] void Dump(const QStringList& lines) {
    const DumpFileContent c = ParseDumpFileLines(lines, kName);
    if (!c.ok()) {
        RequireNamedMessage(c.error, "a dump error names the file");
        Require(c.errorLine >= 1 && c.errorLine <= kDumpLineCount + 1, "a dump error names a line",
                EnglishText(c.error));
        return;
    }
    RequireFixedPoint(c.image, DumpFileLines,
                      [](const QStringList& l) -> std::optional<EepromImage> {
                          const DumpFileContent again = ParseDumpFileLines(l, kName);
                          return again.ok() ? std::optional(again.image) : std::nullopt;
                      });
    // A file in the writer's own form is written back byte for byte.
    if (lines == DumpFileLines(c.image) || lines.mid(0, kDumpLineCount) == DumpFileLines(c.image))
        Require(DumpFileLines(c.image) == lines.mid(0, kDumpLineCount), "same lines");
}

[[maybe_unused]] void Record(const QStringList& lines) {
    const telemetry::RecordFileContent c = telemetry::ParseRecordLines(lines, Comma(), kName);
    if (!c.ok()) {
        RequireNamedMessage(c.error, "a record error names the file");
        Require(EnglishText(c.error).contains(QStringLiteral(", line ")),
                "a record error names a line", EnglishText(c.error));
        Require(c.grid.rowCount() == 0, "a refused record file gives no rows");
        return;
    }
    auto write = [](const telemetry::SampleGrid& grid) {
        QStringList out;
        for (qsizetype r = 0; r < grid.rowCount(); ++r)
            out << telemetry::RecordLine(grid.row(r), Comma());
        return out;
    };
    // Fields are written with 15 significant digits, so the first write may round; from there
    // on the file is a fixed point.
    const telemetry::RecordFileContent first =
        telemetry::ParseRecordLines(write(c.grid), Comma(), kName);
    Require(first.ok() && first.grid.rowCount() == c.grid.rowCount(),
            "a written record reads back whole", EnglishText(first.error));
    RequireFixedPoint(
        first.grid, write, [](const QStringList& l) -> std::optional<telemetry::SampleGrid> {
            telemetry::RecordFileContent again = telemetry::ParseRecordLines(l, Comma(), kName);
            return again.ok() ? std::optional(std::move(again.grid)) : std::nullopt;
        });
}

[[maybe_unused]] void Table(const QStringList& lines) {
    const TableFileContent c = ParseTableLines(lines, kName, Comma());
    if (!c.ok()) {
        Require(!c.error->args.isEmpty() && c.error->args.first() == kName,
                "a table error names the file");
        RequireBoundedArguments(c.error->args);
        Require(c.cells.isEmpty(), "a refused table gives no cells");
        return;
    }
    RequireFixedPoint(
        c.cells, [](const QStringList& cells) { return cells; },
        [](const QStringList& l) -> std::optional<QStringList> {
            const TableFileContent again = ParseTableLines(l, kName, Comma());
            return again.ok() ? std::optional(again.cells) : std::nullopt;
        });
}

[[maybe_unused]] void Curve(const QStringList& lines) {
    const curve::CurveFileContent c = curve::ParseCurveLines(lines, kName, Comma());
    if (!c.ok()) {
        Require(c.error.args.size() >= 2 && c.error.args.first() == kName,
                "a curve error names the file and the line");
        RequireBoundedArguments(c.error.args);
        Require(c.texts.isEmpty() && c.values.isEmpty(), "a refused curve gives no points");
        return;
    }
    RequireFixedPoint(
        c.texts, [](const QStringList& texts) { return texts; },
        [](const QStringList& l) -> std::optional<QStringList> {
            const curve::CurveFileContent again = curve::ParseCurveLines(l, kName, Comma());
            return again.ok() ? std::optional(again.texts) : std::nullopt;
        });
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QStringList lines = LinesOf(fuzz::BytesOf(data, size));
    FUZZ_READER(lines);
    return 0;
}
