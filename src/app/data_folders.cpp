#include "data_folders.h"

#include "languages.h"

#include <QDir>

QString ChooseWorkingFolder(bool userData, const QString& currentFolder,
                            const QString& perUserFolder, QString* error) {
    if (!userData)
        return QDir(currentFolder).absolutePath();
    if (perUserFolder.isEmpty() || !QDir().mkpath(perUserFolder)) {
        if (error)
            *error = perUserFolder;
        return QString();
    }
    return QDir(perUserFolder).absolutePath();
}

QStringList LanguageFolderCandidates(const QString& workingFolder, const QString& executableFolder,
                                     const QString& installedDataFolder) {
    QStringList folders;
    const auto add = [&folders](const QString& base) {
        if (base.isEmpty())
            return;
        const QString folder =
            QDir::cleanPath(QDir(base).absoluteFilePath(QString::fromLatin1(kLanguageFolderName)));
        if (!folders.contains(folder))
            folders.append(folder);
    };
    add(workingFolder);
    add(executableFolder);
    add(installedDataFolder);
    return folders;
}

QString FindLanguageFolder(const QStringList& candidates) {
    // Name filters ignore case, so files copied from Windows as NAME.LNG count too.
    const QStringList pattern{QStringLiteral("*") + QLatin1String(kLanguageFileSuffix)};
    for (const QString& folder : candidates) {
        if (!QDir(folder).entryList(pattern, QDir::Files).isEmpty())
            return folder;
    }
    return candidates.value(0);
}
