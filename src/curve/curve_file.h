#pragma once

#include "curve_messages.h"
#include "decimal_format.h"

#include <QString>
#include <QStringList>
#include <QVector>

namespace curve {

inline constexpr auto kCurveFileSuffix = "Emu.txt";

// The name a curve is saved under: the chosen name with "Emu.txt" appended unless it already
// ends so.
QString CurveFileName(const QString& chosenName);

struct CurveFileContent {
    QStringList texts;        // the 64 lines with the separator made the system's, within 0..5
    QVector<double> values;   // their values
    Message error;            // names the file and the line; empty when the file can be used
    int limitedCount = 0;     // values out of 0..5 V that were limited
    int firstLimitedLine = 0; // 1-based, 0 when none
    int ignoredFrom = 0;      // the first line past the 64th that holds text, 0 when none
    // What the reader should be told: the limited values and the ignored lines.
    QList<Message> notices;

    bool ok() const { return error.isEmpty(); }
};

// 64 short lines: a larger file is not a curve and is refused unread.
inline constexpr qint64 kCurveFileMaxBytes = 16 * 1024;

// Reads a curve file: 64 lines, each a decimal number (either separator); blank lines at the end
// are no content, lines past the 64th are ignored with a notice. A value outside 0..5 V is
// limited (a byte cannot carry it), with a notice naming the first such line and the count. A
// missing line or one that is not a number refuses the file as a whole with the file and the
// line named, so a caller changes nothing.
CurveFileContent ReadCurveFile(const QString& path, const DecimalFormat& format);
// Checks lines already read; fileName is what the messages call the file.
CurveFileContent ParseCurveLines(const QStringList& lines, const QString& fileName,
                                 const DecimalFormat& format);

// Writes the 64 texts, one a line, Windows-1251 with CR LF, atomically. Returns an error, or an
// empty message.
Message WriteCurveFile(const QString& path, const QStringList& texts);

} // namespace curve
