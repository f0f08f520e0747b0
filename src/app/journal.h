#pragma once

#include "journal_sink.h"

#include <QObject>
#include <QString>
#include <QStringList>

// The operations journal of one run: lines are only ever appended, never changed or removed.
// Appending is amortised O(1), so a long session of hundreds of thousands of traffic lines stays
// fast. Views learn about new lines in batches: linesAppended is announced once per return to the
// event loop for everything appended since the previous announcement.
class Journal : public QObject, public JournalSink {
    Q_OBJECT
public:
    explicit Journal(QObject* parent = nullptr);

    void Append(const QString& line) override;

    qsizetype lineCount() const { return m_lines.size(); }
    const QString& line(qsizetype index) const { return m_lines.at(index); }
    const QStringList& lines() const { return m_lines; }

    // Announces the lines not announced yet now instead of on the next event loop turn.
    void announcePending();

signals:
    // Lines first .. first + count - 1 have been appended.
    void linesAppended(qsizetype first, qsizetype count);

private:
    QStringList m_lines;
    qsizetype m_announcedCount = 0;
    bool m_announcementQueued = false;
};

inline constexpr auto kJournalFileSuffix = ".txt";

// Writes every line followed by CR LF, then one more CR LF, in Windows-1251, atomically. An empty
// journal gives a file holding just that final CR LF. Returns an error naming the file, or empty.
[[nodiscard]] QString SaveJournal(const QString& path, const QStringList& lines);

// The line shapes of the journal; dateTime is JournalDateTimeText().

// "Запуск программы: " + date-time, then an empty line.
QStringList JournalStartLines(const QString& dateTime);
// Date-time + the action text, which begins with a blank (one is put in if it does not).
QString UserActionLine(const QString& dateTime, const QString& actionText);
// The event text, which ends in a blank (one is put in if it does not), + date-time.
QString EventLine(const QString& eventText, const QString& dateTime);
