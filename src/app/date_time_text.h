#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// Date and time as journal lines carry them: the locale's short date and long time joined by a
// blank, e.g. "08.12.2011 14:05:31" for Russian.
QString JournalDateTimeText(const QDateTime& moment, const QLocale& locale = QLocale::system());

// The locale's long time format without the time zone that Qt adds to it; the journal's times
// are local clock times.
QString LongTimeFormatWithoutZone(const QLocale& locale);
