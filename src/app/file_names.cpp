#include "file_names.h"

QString FileNameWithSuffix(const QString& chosenName, const QString& suffix) {
    if (chosenName.endsWith(suffix, Qt::CaseInsensitive))
        return chosenName;
    return chosenName + suffix;
}
