#include "date_time_text.h"

QString LongTimeFormatWithoutZone(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u't') {
            // Drop the zone with the blank that separated it from the time.
            while (result.endsWith(u' '))
                result.chop(1);
            while (i + 1 < format.size() && format.at(i + 1) == u't')
                ++i;
            continue;
        }
        result += c;
    }
    return result.trimmed();
}

QString JournalDateTimeText(const QDateTime& moment, const QLocale& locale) {
    return locale.toString(moment.date(), QLocale::ShortFormat) + u' ' +
           locale.toString(moment.time(), LongTimeFormatWithoutZone(locale));
}
