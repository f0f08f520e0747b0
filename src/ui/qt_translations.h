#pragma once

#include <QString>

// Qt's own texts (file and colour dialogs, message-box buttons) in the interface language: the
// translations Qt ships for the language whose English name the language file carries
// ("Russian", "English"). A language Qt has no translation for leaves Qt's English.
// Returns whether a translation was installed.
bool LoadQtTranslations(const QString& languageName);

// The file name stem of Qt's translation for a language name: "qtbase_ru" for "Russian"; empty
// when the name is no language Qt knows.
QString QtTranslationName(const QString& languageName);
