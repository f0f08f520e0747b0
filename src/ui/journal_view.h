#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

class Journal;
class QPlainTextEdit;

// Shows the journal in MemoProtocol, new lines in batches at most ten times a second, so that a
// long run of traffic lines costs the page one append and one repaint per batch. The user may type
// into the view; what the view holds is the journal that gets saved.
class JournalView : public QObject {
    Q_OBJECT
public:
    JournalView(Journal& journal, QPlainTextEdit* memo, QObject* parent = nullptr);

    // Everything the view holds, journal lines not shown yet included.
    QStringList lines();

private:
    void showPending();

    Journal& m_journal;
    QPlainTextEdit* m_memo;
    qsizetype m_shown = 0;
    QTimer m_batch;
};
