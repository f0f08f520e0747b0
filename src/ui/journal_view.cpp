#include "journal_view.h"

#include "journal.h"

#include <QPlainTextEdit>

JournalView::JournalView(Journal& journal, QPlainTextEdit* memo, QObject* parent)
    : QObject(parent), m_journal(journal), m_memo(memo) {
    connect(&journal, &Journal::linesAppended, this, &JournalView::show);
    show(0, journal.lineCount());
}

void JournalView::show(qsizetype first, qsizetype count) {
    if (first + count <= m_shown)
        return;
    first = std::max(first, m_shown);
    count = m_journal.lineCount() - first;
    if (count <= 0)
        return;
    const QStringList batch = m_journal.lines().mid(first, count);
    m_memo->appendPlainText(batch.join(QLatin1Char('\n')));
    m_shown = first + count;
}

QStringList JournalView::lines() {
    m_journal.announcePending();
    if (m_shown == 0 && m_memo->document()->isEmpty())
        return {};
    return m_memo->toPlainText().split(QLatin1Char('\n'));
}
