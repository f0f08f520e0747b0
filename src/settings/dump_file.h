#pragma once

#include "message.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

// Settings dump files (".mmr2"): the whole 256-byte EEPROM, one line per address in address
// order, "EEPROM-" + the address + " = " + the byte, both as two upper-case hex digits high nibble
// first ("EEPROM-1F = A5"). Windows-1251 text with CR LF line ends.

inline constexpr auto kDumpFileSuffix = ".mmr2";
// The filter of the save and open dialogs.
inline constexpr auto kDumpFileFilter = "EEPROM|*.mmr2|текст|*.txt";
inline constexpr int kDumpLineCount = 256;
// 256 lines of 14 characters: a larger file is not a dump and is refused unread.
inline constexpr qint64 kDumpFileMaxBytes = 64 * 1024;

using EepromImage = std::array<std::uint8_t, kDumpLineCount>;

// "EEPROM-1F = A5".
QString DumpFileLine(int address, int byte);
QStringList DumpFileLines(const EepromImage& image);

struct DumpFileContent {
    EepromImage image{};
    // Empty when the file was read; otherwise names the file and, for a bad line, the line
    // (Msg_Dump...: the file first, the line second).
    Message error;
    int errorLine = 0; // 1-based line of the error, 0 when the error is not about one line

    bool ok() const { return error.isEmpty(); }
};

// Validates all the lines before anything is taken: exactly 256 lines (blank lines after the last
// one are ignored), the value of each (characters 13 and 14) two upper-case hex digits, nothing
// after it but blanks. Line n holds address n - 1 whatever its label says. fileName only names the
// file in the error.
DumpFileContent ParseDumpFileLines(const QStringList& lines, const QString& fileName);
DumpFileContent ReadDumpFile(const QString& path);

// Writes the 256 lines through QSaveFile: the file appears complete or not at all. The path is
// used exactly as given. Returns an error naming the file, or empty.
[[nodiscard]] QString WriteDumpFile(const QString& path, const EepromImage& image);
