#include "journal_view.h"

#include "journal.h"

#include <QPlainTextEdit>

JournalView::JournalView(Journal& journal, QPlainTextEdit* memo, QObject* parent)
    : QObject(parent), m_journal(journal), m_memo(memo) {
    m_batch.setSingleShot(true);
    m_batch.setInterval(100);
    connect(&m_batch, &QTimer::timeout, this, &JournalView::showPending);
    connect(&journal, &Journal::linesAppended, this, [this] {
        if (!m_batch.isActive())
            m_batch.start();
    });
    showPending();
}

void JournalView::showPending() {
    m_batch.stop();
    const qsizetype count = m_journal.lineCount() - m_shown;
    if (count <= 0)
        return;
    m_memo->appendPlainText(m_journal.lines().mid(m_shown, count).join(QLatin1Char('\n')));
    m_shown += count;
}

QStringList JournalView::lines() {
    showPending();
    if (m_shown == 0 && m_memo->document()->isEmpty())
        return {};
    return m_memo->toPlainText().split(QLatin1Char('\n'));
}
