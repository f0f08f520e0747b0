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
    QStringList texts;      // the 64 lines with the separator made the system's
    QVector<double> values; // their values, as read (not limited)
    Message error;          // names the file and the line; empty when the file can be used

    bool ok() const { return error.isEmpty(); }
};

// 64 short lines: a larger file is not a curve and is refused unread.
inline constexpr qint64 kCurveFileMaxBytes = 16 * 1024;

// Reads a curve file: exactly 64 lines, each a decimal number (either separator). Anything else
// is refused as a whole with the file and the line named, so a caller changes nothing.
CurveFileContent ReadCurveFile(const QString& path, const DecimalFormat& format);
// Checks lines already read; fileName is what the messages call the file.
CurveFileContent ParseCurveLines(const QStringList& lines, const QString& fileName,
                                 const DecimalFormat& format);

// Writes the 64 texts, one a line, Windows-1251 with CR LF, atomically. Returns an error, or an
// empty message.
Message WriteCurveFile(const QString& path, const QStringList& texts);

} // namespace curve
