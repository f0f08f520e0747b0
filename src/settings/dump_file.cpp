#include "dump_file.h"

#include "text_file.h"
#include "wire_codec.h"

namespace {

constexpr int kLabelLength = 12; // "EEPROM-1F = ", not read
constexpr int kLineLength = 14;

QString labelOf(int address) {
    return QStringLiteral("EEPROM-") + wire::HumanAddress(address) + QStringLiteral(" = ");
}

DumpFileContent errorAt(const QString& fileName, int line, const char* key,
                        const QStringList& details) {
    DumpFileContent content;
    content.errorLine = line;
    content.error = {QLatin1String(key),
                     QStringList{DisplayPath(fileName), QString::number(line)} + details};
    return content;
}

} // namespace

QString DumpFileLine(int address, int byte) {
    return labelOf(address) + wire::HexByteTexts()[byte & 0xFF];
}

QStringList DumpFileLines(const EepromImage& image) {
    QStringList lines;
    lines.reserve(kDumpLineCount);
    for (int address = 0; address < kDumpLineCount; ++address)
        lines << DumpFileLine(address, image[address]);
    return lines;
}

DumpFileContent ParseDumpFileLines(const QStringList& lines, const QString& fileName) {
    qsizetype count = lines.size();
    while (count > kDumpLineCount && lines.at(count - 1).trimmed().isEmpty())
        --count;
    if (count > kDumpLineCount)
        return errorAt(fileName, kDumpLineCount + 1, "Msg_DumpTooManyLines",
                       {QString::number(kDumpLineCount)});

    DumpFileContent content;
    for (int n = 0; n < kDumpLineCount; ++n) {
        const int lineNumber = n + 1;
        if (n >= count)
            return errorAt(fileName, lineNumber, "Msg_DumpMissingLine",
                           {QString::number(count), QString::number(kDumpLineCount)});
        // The address is the line's position; its label is not checked, so that hand-edited
        // files and files of older programs open as long as their values are sound.
        const QString& line = lines.at(n);
        const QStringView value = QStringView(line).mid(kLabelLength, 2);
        const QStringView rest = QStringView(line).mid(kLineLength);
        // High nibble first in files: swapping gives the wire's order that DecodeByte reads.
        const QString swapped =
            value.size() == 2 ? QString(value.at(1)) + value.at(0) : value.toString();
        const std::optional<int> byte = wire::DecodeByte(swapped);
        if (value.size() != 2 || !byte || !rest.trimmed().isEmpty())
            return errorAt(fileName, lineNumber, "Msg_DumpBadValue",
                           {wire::HumanAddress(n), QuotedExcerpt(line)});
        content.image[n] = std::uint8_t(*byte);
    }
    return content;
}

DumpFileContent ReadDumpFile(const QString& path) {
    const TextFileContent text = ReadTextFile(path, kDumpFileMaxBytes);
    if (!text.ok()) {
        DumpFileContent content;
        content.error = text.error;
        return content;
    }
    if (text.truncated) {
        DumpFileContent content;
        content.error = FileTooLarge(path, kDumpFileMaxBytes);
        return content;
    }
    return ParseDumpFileLines(text.lines, path);
}

QString WriteDumpFile(const QString& path, const EepromImage& image) {
    return WriteTextFile(path, DumpFileLines(image));
}
