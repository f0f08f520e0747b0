#include "decimal_texts.h"

QString WithDecimalSeparator(const QString& text, QChar separator) {
    QString result = text;
    for (qsizetype i = 1; i + 1 < result.size(); ++i) {
        if ((result[i] == u'.' || result[i] == u',') && result[i - 1].isDigit() &&
            result[i + 1].isDigit())
            result[i] = separator;
    }
    return result;
}
