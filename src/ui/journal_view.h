#pragma once

#include <QObject>
#include <QStringList>

class Journal;
class QPlainTextEdit;

// Shows the journal in MemoProtocol, a batch of new lines per event-loop turn so that a long run
// of traffic lines stays cheap. The user may type into the view; what the view holds is the
// journal that gets saved.
class JournalView : public QObject {
    Q_OBJECT
public:
    JournalView(Journal& journal, QPlainTextEdit* memo, QObject* parent = nullptr);

    // Everything the view holds, journal lines not shown yet included.
    QStringList lines();

private:
    void show(qsizetype first, qsizetype count);

    Journal& m_journal;
    QPlainTextEdit* m_memo;
    qsizetype m_shown = 0;
};
