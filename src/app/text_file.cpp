#include "text_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>

namespace {

constexpr char kUnencodable = '?';

// The encoder is built from the decoder so both directions agree byte for byte, and so an
// unencodable character gets our '?' rather than whatever substitute the converter prefers.
// The encoder is built from the decoder so both directions agree byte for byte, and so an
// unencodable character gets our '?' rather than whatever substitute the converter prefers.
class Windows1251Encoder {
public:
    Windows1251Encoder() {
        QByteArray high(128, '\0');
        for (int i = 0; i < 128; ++i)
            high[i] = char(128 + i);
        const QString decoded = DecodeWindows1251(high);
        for (int i = 0; i < decoded.size() && i < 128; ++i) {
            const char16_t unit = decoded.at(i).unicode();
            if (unit >= 128 && unit != u'\uFFFD')
                m_fromUnicode.insert(unit, char(128 + i));
        }
    }

    QByteArray encode(QStringView text) const {
        QByteArray bytes;
        bytes.reserve(text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t unit = text[i].unicode();
            if (unit < 128) {
                bytes.append(char(unit));
                continue;
            }
            if (QChar::isHighSurrogate(unit) && i + 1 < text.size() &&
                QChar::isLowSurrogate(text[i + 1].unicode()))
                ++i; // one '?' per character, not per UTF-16 unit
            bytes.append(m_fromUnicode.value(unit, kUnencodable));
        }
        return bytes;
    }

private:
    QHash<char16_t, char> m_fromUnicode;
};

} // namespace

QString DecodeWindows1251(const QByteArray& bytes) {
    QStringDecoder decoder("windows-1251");
    return decoder.decode(bytes);
}

QByteArray EncodeWindows1251(QStringView text) {
    static const Windows1251Encoder encoder;
    return encoder.encode(text);
}

QStringList SplitTextLines(QStringView text) {
    QStringList lines;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0) {
            lines.append(text.mid(start).toString());
            break;
        }
        qsizetype lineEnd = end;
        if (lineEnd > start && text[lineEnd - 1] == u'\r')
            --lineEnd;
        lines.append(text.mid(start, lineEnd - start).toString());
        start = end + 1;
    }
    return lines;
}

QString DisplayPath(const QString& path) {
    return QDir::toNativeSeparators(path);
}

Message TruncatedFileProblem(const QString& path, qint64 maxBytes) {
    return {QStringLiteral("Msg_FileTruncated"), {DisplayPath(path), QString::number(maxBytes)}};
}

Message FileTooLarge(const QString& path, qint64 maxBytes) {
    return {QStringLiteral("Msg_FileTooLarge"),
            {DisplayPath(path), QString::number((maxBytes + 1023) / 1024)}};
}

QString QuotedExcerpt(QStringView value, int maxCharacters) {
    QString excerpt;
    const qsizetype shown = std::min<qsizetype>(value.size(), maxCharacters);
    excerpt.reserve(shown + 3);
    for (qsizetype i = 0; i < shown; ++i) {
        const QChar c = value[i];
        excerpt += c.isPrint() || c == u' ' ? c : QLatin1Char('?');
    }
    if (shown < value.size())
        excerpt += QStringLiteral("...");
    return excerpt;
}

QString SummarizedProblems(const QStringList& problems, const QString& andMore, int maxShown) {
    QStringList shown = problems.mid(0, maxShown);
    if (problems.size() > maxShown)
        shown << andMore.arg(problems.size() - maxShown);
    return shown.join(QLatin1Char('\n'));
}

Message OpenForReading(QFile& file, bool* missing) {
    const QString shown = DisplayPath(file.fileName());
    if (!file.exists()) {
        if (missing)
            *missing = true;
        return {QStringLiteral("Msg_FileMissing"), {shown}};
    }
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("Msg_FileOpenFailed"), {shown, file.errorString()}};
    return {};
}

Message ReadFailure(const QFile& file) {
    return {QStringLiteral("Msg_FileReadFailed"),
            {DisplayPath(file.fileName()), file.errorString()}};
}

TextFileContent ReadTextFile(const QString& path, qint64 maxBytes) {
    TextFileContent content;
    QFile file(path);
    content.error = OpenForReading(file, &content.missing);
    if (!content.error.isEmpty())
        return content;
    QByteArray bytes = maxBytes < 0 ? file.readAll() : file.read(maxBytes + 1);
    if (maxBytes >= 0 && bytes.size() > maxBytes) {
        bytes.truncate(maxBytes);
        content.truncated = true;
    }
    if (file.error() != QFileDevice::NoError) {
        content.error = ReadFailure(file);
        return content;
    }
    content.lines = SplitTextLines(DecodeWindows1251(bytes));
    return content;
}

QString WriteTextFile(const QString& path, const QStringList& lines) {
    QByteArray bytes;
    qsizetype size = 0;
    for (const QString& line : lines)
        size += line.size() + 2;
    bytes.reserve(size);
    for (const QString& line : lines) {
        bytes.append(EncodeWindows1251(line));
        bytes.append("\r\n", 2);
    }

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return QStringLiteral("Cannot create file \"%1\": %2")
            .arg(DisplayPath(path), file.errorString());
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        return QStringLiteral("Cannot write file \"%1\": %2")
            .arg(DisplayPath(path), file.errorString());
    }
    return {};
}
