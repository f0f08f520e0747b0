#pragma once

// Shared by the fuzz targets: fuzzer bytes as the lines a reader sees, the bytes a writer's lines
// become, and a check that stops the run with a message when a property does not hold.

#include "text_file.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

inline QByteArray BytesOf(const std::uint8_t* data, std::size_t size) {
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
}

// What a reader gets from a file of these bytes.
inline QStringList LinesOf(const QByteArray& bytes) {
    return SplitTextLines(DecodeWindows1251(bytes));
}

// What a writer puts in a file for these lines.
inline QByteArray FileBytes(const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += EncodeWindows1251(line) + "\r\n";
    return bytes;
}

[[noreturn]] inline void Fail(const char* property, const QString& detail) {
    std::fprintf(stderr, "property failed: %s\n%s\n", property, qPrintable(detail.left(2000)));
    std::abort();
}

inline void Require(bool holds, const char* property, const QString& detail = QString()) {
    if (!holds)
        Fail(property, detail);
}

// Messages quote at most a short excerpt of what they complain about.
inline constexpr qsizetype kMaxMessageLength = 600;

} // namespace fuzz
