#include "dump_file.h"

#include "languages.h"
#include "text_file.h"
#include "wire_codec.h"

namespace {

constexpr int kLabelLength = 12; // "EEPROM-1F = ", not read
constexpr int kLineLength = 14;

QString labelOf(int address) {
    return QStringLiteral("EEPROM-") + wire::HumanAddress(address) + QStringLiteral(" = ");
}

DumpFileContent errorAt(const QString& fileName, int line, const QString& what, const char* key,
                        const QStringList& details) {
    DumpFileContent content;
    content.errorLine = line;
    content.error =
        QStringLiteral("File \"%1\", line %2: %3").arg(DisplayPath(fileName)).arg(line).arg(what);
    content.errorKey = QLatin1String(key);
    content.errorArguments = QStringList{DisplayPath(fileName), QString::number(line)} + details;
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
        return errorAt(
            fileName, kDumpLineCount + 1,
            QStringLiteral("more than %1 lines (an EEPROM has %1 bytes).").arg(kDumpLineCount),
            "Msg_DumpTooManyLines", {QString::number(kDumpLineCount)});

    DumpFileContent content;
    for (int n = 0; n < kDumpLineCount; ++n) {
        const int lineNumber = n + 1;
        if (n >= count)
            return errorAt(fileName, lineNumber,
                           QStringLiteral("missing: the file has %1 of the %2 lines.")
                               .arg(count)
                               .arg(kDumpLineCount),
                           "Msg_DumpMissingLine",
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
            return errorAt(fileName, lineNumber,
                           QStringLiteral("the value of EEPROM-%1 in \"%2\" is not two upper-case "
                                          "hex digits.")
                               .arg(wire::HumanAddress(n), QuotedExcerpt(line)),
                           "Msg_DumpBadValue", {wire::HumanAddress(n), QuotedExcerpt(line)});
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
        content.error = FileTooLargeText(path, kDumpFileMaxBytes);
        content.errorKey = QLatin1String(kMsgFileTooLarge);
        content.errorArguments = FileTooLargeArguments(path, kDumpFileMaxBytes);
        return content;
    }
    return ParseDumpFileLines(text.lines, path);
}

QString WriteDumpFile(const QString& path, const EepromImage& image) {
    return WriteTextFile(path, DumpFileLines(image));
}

QString DumpFileErrorText(const DumpFileContent& content, const InterfaceTexts& texts) {
    QString text = content.errorKey.isEmpty() ? QString() : texts.text(content.errorKey);
    if (text.isEmpty())
        return content.error;
    for (const QString& argument : content.errorArguments)
        text = text.arg(argument);
    return text;
}
