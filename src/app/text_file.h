#pragma once

#include "message.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Configuration, journal, language and data files are Windows-1251 text with CR LF line ends, so
// they move freely between this program and older installations.

struct TextFileContent {
    QStringList lines;
    Message error;        // empty when the file was read; otherwise names the file
    bool missing = false; // the file does not exist (error is set as well)
    // The file is longer than the reader's bound: lines holds its first maxBytes bytes only.
    bool truncated = false;

    bool ok() const { return error.isEmpty(); }
};

inline constexpr qint64 kNoSizeLimit = -1;

// Reads the file, or its first maxBytes bytes when it is longer (truncated is then set), so that a
// huge or foreign file cannot stall the reader. Lines end with CR LF or LF alone; a final line end
// does not start another line, so an empty file has no lines.
TextFileContent ReadTextFile(const QString& path, qint64 maxBytes = kNoSizeLimit);

class QFile;

// Opens the file for reading. Returns the error naming the file (missing is set when there is no
// such file), or empty.
Message OpenForReading(QFile& file, bool* missing = nullptr);
// The error of a read that failed on the open file, naming the file.
Message ReadFailure(const QFile& file);

// The problem of a file longer than its reader's bound, of which the start was read.
Message TruncatedFileProblem(const QString& path, qint64 maxBytes);

// A file refused unread because it is larger than its format can be (the file, the bound in KB).
Message FileTooLarge(const QString& path, qint64 maxBytes);

// A value quoted in a message: at most maxCharacters characters, control characters shown as
// '?', and "..." where it was cut.
QString QuotedExcerpt(QStringView value, int maxCharacters = 40);

// At most maxShown problems, one a line; more are summed up by andMore with %1 the number left
// out ("and %1 more").
QString SummarizedProblems(const QStringList& problems, const QString& andMore, int maxShown = 5);

// Writes every line followed by CR LF. The file is replaced atomically: after a crash either the
// old or the new content is there, never half of it. Returns an error naming the file, or empty.
[[nodiscard]] QString WriteTextFile(const QString& path, const QStringList& lines);

// The Windows-1251 codec. Characters without a Windows-1251 byte become '?'.
QString DecodeWindows1251(const QByteArray& bytes);
QByteArray EncodeWindows1251(QStringView text);

// Splits decoded text at CR LF or LF; a final line end does not start another line.
QStringList SplitTextLines(QStringView text);

// Shows a path the way the user's file manager does, for messages.
QString DisplayPath(const QString& path);
