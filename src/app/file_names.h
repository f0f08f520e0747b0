#pragma once

#include <QString>

// File names chosen in save dialogs get the format's suffix (".txt", "_data.txt", ".mmr2",
// "MAF.txt", "Lambda.txt", "Emu.txt"), unless the name already ends with it in any letter case.
QString FileNameWithSuffix(const QString& chosenName, const QString& suffix);
