#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Configuration, journal, language and data files are Windows-1251 text with CR LF line ends, so
// they move freely between this program and older installations.

struct TextFileContent {
    QStringList lines;
    QString error;        // empty when the file was read; otherwise names the file
    bool missing = false; // the file does not exist (error is set as well)

    bool ok() const { return error.isEmpty(); }
};

// Reads the whole file. Lines end with CR LF or LF alone; a final line end does not start another
// line, so an empty file has no lines.
TextFileContent ReadTextFile(const QString& path);

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
