#pragma once

#include "message.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// An installed interface language: Language/NAME.lng, with the flag picture NAME.bmp if there is
// one.
struct LanguageListEntry {
    QString name;
    QString flagPicturePath; // empty when the language has no flag picture

    bool operator==(const LanguageListEntry&) const = default;
};

inline constexpr auto kLanguageFolderName = "Language";
// A language file holds a few hundred short lines; a longer file is refused unread beyond this.
inline constexpr qint64 kLanguageFileMaxBytes = 512 * 1024;
inline constexpr auto kLanguageFileSuffix = ".lng";
inline constexpr auto kFlagPictureSuffix = ".bmp";

// The language folder of a working directory.
QString LanguageFolder(const QString& workingDirectory);
QString LanguageFilePath(const QString& languageFolder, const QString& name);

// The languages in the folder, in the order the file system returns them.
QList<LanguageListEntry> ListLanguages(const QString& languageFolder);

// One line of a language file: form "." control "#" property "=" value.
struct LanguageFileEntry {
    QString form;
    QString control;
    QString property;
    QString value; // everything after the first "=", further "=" included

    bool operator==(const LanguageFileEntry&) const = default;
};

// Splits at the first ".", the first "#" and the first "="; a line without them in that order
// is not an entry.
std::optional<LanguageFileEntry> ParseLanguageLine(const QString& line);
// The entries in file order; lines that are not entries are left out.
QList<LanguageFileEntry> ParseLanguageLines(const QStringList& lines);

struct LanguageFileContent {
    QList<LanguageFileEntry> entries;
    Message error; // empty when the file was read; otherwise names the file

    bool ok() const { return error.isEmpty(); }
};

LanguageFileContent ReadLanguageFile(const QString& path);

// Fills %1 .. %9 of a pattern with the arguments in one pass, so that an argument holding "%2"
// stays as it is; a number without an argument is left as it stands.
QString FillMessageText(const QString& pattern, const QStringList& args);

class InterfaceTexts;
// The English language file, built into the programs: the command-line tool's messages, and the
// window's wherever its language lacks a key.
const InterfaceTexts& BuiltInEnglish();
// A message in the built-in English: what the command-line tool prints.
QString EnglishText(const Message& message);

// The numbered message texts Text01 .. Text51 the program shows in status bars, dialogs and
// labels, and the named messages "Msg..." added since. Empty until a language sets them; a
// language that lacks a text leaves the one before.
class InterfaceTexts {
public:
    static constexpr int kCount = 51;

    // number 1 .. 51; empty for any other number
    QString text(int number) const;
    // key "Text01" .. "Text51" or a named message "Msg..."; empty for any other key
    QString text(QStringView key) const;
    void setText(int number, const QString& value);
    // A message in this language; in English where the language lacks its key.
    QString message(const Message& message) const;

    // The number of a key "Text01" .. "Text51" (exactly two digits).
    static std::optional<int> NumberOfKey(QStringView key);
    // Whether a language-file control names a message text rather than a control.
    static bool IsMessageKey(QStringView key);

    // Sets the text an entry names as its control, whatever its property; returns whether the
    // entry was for a message text.
    bool apply(const LanguageFileEntry& entry);
    // Applies in order, so a later entry for the same text wins.
    void apply(const QList<LanguageFileEntry>& entries);

private:
    std::array<QString, kCount> m_texts;
    QHash<QString, QString> m_named;
};
