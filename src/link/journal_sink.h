#pragma once

#include <QString>
#include <QStringList>

// The operations journal as the link sees it: lines are only ever appended.
class JournalSink {
public:
    virtual ~JournalSink() = default;
    virtual void Append(const QString& line) = 0;
};

// A journal kept in memory, for the command-line tool and tests.
class StringListJournal : public JournalSink {
public:
    void Append(const QString& line) override { m_lines.append(line); }
    const QStringList& lines() const { return m_lines; }
    void clear() { m_lines.clear(); }

private:
    QStringList m_lines;
};
