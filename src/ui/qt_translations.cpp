#include "qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

QString QtTranslationName(const QString& languageName) {
    for (int l = QLocale::AnyLanguage + 1; l <= QLocale::LastLanguage; ++l) {
        const auto language = QLocale::Language(l);
        if (QLocale::languageToString(language).compare(languageName, Qt::CaseInsensitive) != 0)
            continue;
        const QString code = QLocale::languageToCode(language, QLocale::ISO639Part1);
        return code.isEmpty() ? QString() : QStringLiteral("qtbase_") + code;
    }
    return {};
}

bool LoadQtTranslations(const QString& languageName) {
    static std::unique_ptr<QTranslator> installed;
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    const QString name = QtTranslationName(languageName);
    if (name.isEmpty())
        return false;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(name, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    QCoreApplication::installTranslator(translator.get());
    installed = std::move(translator);
    return true;
}
