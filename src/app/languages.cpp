#include "languages.h"

#include "text_file.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

QString LanguageFolder(const QString& workingDirectory) {
    return QDir(workingDirectory).filePath(QString::fromLatin1(kLanguageFolderName));
}

QString LanguageFilePath(const QString& languageFolder, const QString& name) {
    return QDir(languageFolder).filePath(name + QLatin1String(kLanguageFileSuffix));
}

QList<LanguageListEntry> ListLanguages(const QString& languageFolder) {
    const QDir folder(languageFolder);
    const QStringList files = folder.entryList(QDir::Files, QDir::Unsorted);

    // Files copied from Windows may spell the extensions in capitals.
    QHash<QString, QString> byLowerCaseName;
    for (const QString& file : files)
        byLowerCaseName.insert(file.toLower(), file);

    const QLatin1String languageSuffix(kLanguageFileSuffix);
    const QLatin1String flagSuffix(kFlagPictureSuffix);
    QList<LanguageListEntry> languages;
    for (const QString& file : files) {
        if (!file.endsWith(languageSuffix, Qt::CaseInsensitive) ||
            file.size() == languageSuffix.size())
            continue;
        LanguageListEntry entry;
        entry.name = file.chopped(languageSuffix.size());
        QString flag = entry.name + flagSuffix;
        if (!files.contains(flag))
            flag = byLowerCaseName.value(flag.toLower());
        if (!flag.isEmpty())
            entry.flagPicturePath = folder.filePath(flag);
        languages.append(entry);
    }
    return languages;
}

std::optional<LanguageFileEntry> ParseLanguageLine(const QString& line) {
    const qsizetype dot = line.indexOf(u'.');
    const qsizetype hash = line.indexOf(u'#');
    const qsizetype equals = line.indexOf(u'=');
    if (dot < 0 || hash < dot || equals < hash)
        return std::nullopt;
    LanguageFileEntry entry;
    entry.form = line.left(dot);
    entry.control = line.mid(dot + 1, hash - dot - 1);
    entry.property = line.mid(hash + 1, equals - hash - 1);
    entry.value = line.mid(equals + 1);
    if (entry.control.isEmpty())
        return std::nullopt;
    return entry;
}

QList<LanguageFileEntry> ParseLanguageLines(const QStringList& lines) {
    QList<LanguageFileEntry> entries;
    entries.reserve(lines.size());
    for (const QString& line : lines) {
        if (std::optional<LanguageFileEntry> entry = ParseLanguageLine(line))
            entries.append(*std::move(entry));
    }
    return entries;
}

LanguageFileContent ReadLanguageFile(const QString& path) {
    const TextFileContent text = ReadTextFile(path, kLanguageFileMaxBytes);
    LanguageFileContent content;
    content.error = text.error;
    if (text.truncated) {
        content.error = FileTooLarge(path, kLanguageFileMaxBytes);
        return content;
    }
    content.entries = ParseLanguageLines(text.lines);
    return content;
}

QString InterfaceTexts::text(int number) const {
    if (number < 1 || number > kCount)
        return {};
    return m_texts[size_t(number - 1)];
}

QString InterfaceTexts::text(QStringView key) const {
    const std::optional<int> number = NumberOfKey(key);
    if (number)
        return text(*number);
    return m_named.value(key.toString());
}

bool InterfaceTexts::IsMessageKey(QStringView key) {
    return NumberOfKey(key).has_value() || (key.startsWith(u"Msg") && key.size() > 3);
}

void InterfaceTexts::setText(int number, const QString& value) {
    if (number < 1 || number > kCount)
        return;
    m_texts[size_t(number - 1)] = value;
}

std::optional<int> InterfaceTexts::NumberOfKey(QStringView key) {
    if (key.size() != 6 || !key.startsWith(u"Text"))
        return std::nullopt;
    const QChar tens = key[4];
    const QChar units = key[5];
    if (tens < u'0' || tens > u'9' || units < u'0' || units > u'9')
        return std::nullopt;
    const int number = (tens.unicode() - u'0') * 10 + (units.unicode() - u'0');
    if (number < 1 || number > kCount)
        return std::nullopt;
    return number;
}

bool InterfaceTexts::apply(const LanguageFileEntry& entry) {
    if (const std::optional<int> number = NumberOfKey(entry.control)) {
        setText(*number, entry.value);
        return true;
    }
    if (!IsMessageKey(entry.control))
        return false;
    m_named.insert(entry.control, entry.value);
    return true;
}

void InterfaceTexts::apply(const QList<LanguageFileEntry>& entries) {
    for (const LanguageFileEntry& entry : entries)
        apply(entry);
}

QString FillMessageText(const QString& pattern, const QStringList& args) {
    QString text;
    text.reserve(pattern.size());
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const qsizetype n = i + 1 < pattern.size() ? pattern.at(i + 1).digitValue() : -1;
        if (pattern.at(i) == QLatin1Char('%') && n >= 1 && n <= args.size()) {
            text += args.at(n - 1);
            ++i;
        } else {
            text += pattern.at(i);
        }
    }
    return text;
}

QString InterfaceTexts::message(const Message& message) const {
    QString pattern = text(message.key);
    if (pattern.isEmpty() && this != &BuiltInEnglish())
        pattern = BuiltInEnglish().text(message.key);
    // A key no language has is a fault of the program; its arguments still say what happened.
    if (pattern.isEmpty())
        return QStringList(message.args).join(QLatin1Char(' '));
    // An argument that names a message stands for its text (in English if need be).
    QStringList args = message.args;
    for (QString& arg : args) {
        if (!IsMessageKey(arg) || NumberOfKey(arg))
            continue;
        QString named = text(arg);
        if (named.isEmpty())
            named = BuiltInEnglish().text(arg);
        if (!named.isEmpty())
            arg = named;
    }
    return FillMessageText(pattern, args);
}

const InterfaceTexts& BuiltInEnglish() {
    static const InterfaceTexts texts = [] {
        InterfaceTexts t;
        t.apply(ReadLanguageFile(QStringLiteral(":/Language/English.lng")).entries);
        return t;
    }();
    return texts;
}

QString EnglishText(const Message& message) {
    return BuiltInEnglish().message(message);
}
