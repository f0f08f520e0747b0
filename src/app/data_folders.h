#pragma once

#include <QString>
#include <QStringList>

// Where the program keeps its files. Started from a folder the user chose, it works in that
// folder; started with --user-data (as the desktop entry does), in the per-user data folder.
// Language files may also come from beside the executable or from the installed share folder.

// The folder that holds Info_A.ini, Config_A.ini and the journals. With userData the per-user
// folder perUserFolder is used and created if needed; otherwise currentFolder. Empty (with
// *error set) when the per-user folder cannot be created.
QString ChooseWorkingFolder(bool userData, const QString& currentFolder,
                            const QString& perUserFolder, QString* error = nullptr);

// The language folders to try, in order: the working folder's, the one beside the executable,
// the installed one (installedDataFolder/Language). Duplicates are left out.
QStringList LanguageFolderCandidates(const QString& workingFolder, const QString& executableFolder,
                                     const QString& installedDataFolder);

// The first candidate that holds at least one language file; the first candidate when none does.
QString FindLanguageFolder(const QStringList& candidates);
