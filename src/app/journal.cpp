#include "journal.h"

#include "text_file.h"

#include <QMetaObject>

Journal::Journal(QObject* parent) : QObject(parent) {}

void Journal::Append(const QString& line) {
    m_lines.append(line);
    if (m_announcementQueued)
        return;
    m_announcementQueued = true;
    QMetaObject::invokeMethod(this, &Journal::announcePending, Qt::QueuedConnection);
}

void Journal::announcePending() {
    m_announcementQueued = false;
    const qsizetype first = m_announcedCount;
    const qsizetype count = m_lines.size() - first;
    if (count <= 0)
        return;
    m_announcedCount = m_lines.size();
    emit linesAppended(first, count);
}

QString SaveJournal(const QString& path, const QStringList& lines) {
    QStringList withFinalEmptyLine;
    withFinalEmptyLine.reserve(lines.size() + 1);
    withFinalEmptyLine.append(lines);
    withFinalEmptyLine.append(QString());
    return WriteTextFile(path, withFinalEmptyLine);
}

QStringList JournalStartLines(const QString& dateTime) {
    return {QStringLiteral("Запуск программы: ") + dateTime, QString()};
}

QString UserActionLine(const QString& dateTime, const QString& actionText) {
    if (actionText.startsWith(u' '))
        return dateTime + actionText;
    return dateTime + u' ' + actionText;
}

QString EventLine(const QString& eventText, const QString& dateTime) {
    if (eventText.endsWith(u' '))
        return eventText + dateTime;
    return eventText + u' ' + dateTime;
}
