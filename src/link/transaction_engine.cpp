#include "transaction_engine.h"

#include "journal_sink.h"
#include "module_port.h"
#include "transaction.h"
#include "wire_codec.h"

#include <algorithm>

const std::array<const char*, TransactionEngine::BranchCount>& TransactionEngine::BranchOrder() {
    // Owners compare SentCommand with their own commands, so the order only matters where one
    // branch hands over to another within the same receive event.
    static const std::array<const char*, BranchCount> order = {
        "Timer_2012_Ingeneer",
        "TimerEEPROMSaveToFile",
        "Timer_NeprOpros",
        "Timer_RegRab",
        "Timer_RegRab_Control",
        "Timer_2012_Ingeneer_2",
        "Timer_Get_0",
        "Timer_Write",
        "TimerEEPROMSaveToModule",
        "TimerEEPROMSaveToModule_2",
        "Timer_Lambda_Ticher",
        "Timer_Lambda_Ticher_02",
        "Timer_Water_In",
        "Timer_Fuel_In",
        "Timer_Water_Out",
        "Timer_Water_Out_Filter",
        "Timer_Fuel_Out",
        "Timer_Fuel_Out_Filter",
        "Timer_Chart_2D",
        "Timer_Chart_2D_Filter",
        "Timer_2D_Table_In",
        "Timer_YellowPoints",
        "Timer_Read_Double",
        "Timer_SeansOne",
        "Timer_LinkCheck",
    };
    return order;
}

namespace {

int branchIndex(const QString& timerName) {
    const auto& order = TransactionEngine::BranchOrder();
    for (int i = 0; i < TransactionEngine::BranchCount; ++i) {
        if (timerName == QLatin1String(order[i]))
            return i;
    }
    return -1;
}

} // namespace

TransactionEngine::TransactionEngine(ModulePort& port, JournalSink& journal, QObject* parent)
    : QObject(parent), m_port(port), m_journal(journal) {
    connect(&port, &ModulePort::RxChar, this, &TransactionEngine::OnRxChar);
    m_quiet.start();
    m_sinceSend.start();
}

void TransactionEngine::setPendingCommand(const QString& command) {
    m_pendingCommand = command;
    if (m_inReceive) {
        m_chosen = true;
        m_chooser = m_offered;
    }
}

void TransactionEngine::transactionEnabled(Transaction& transaction) {
    if (m_inReceive)
        m_handedOverTo = &transaction;
}

Transaction* TransactionEngine::fastSender() const {
    if (!m_fastTransfers || !m_chosen)
        return nullptr;
    // A branch that handed over to another transaction stopped itself; the new one sends.
    Transaction* t = (m_chooser && m_chooser->isEnabled()) ? m_chooser : m_handedOverTo;
    if (!t || !t->isEnabled() || !t->fastCapable())
        return nullptr;
    return t;
}

void TransactionEngine::setIntervalScale(double scale) {
    m_intervalScale = scale;
    for (Transaction* t : m_branches) {
        if (t)
            t->updateTimer();
    }
}

void TransactionEngine::setAutomaticTicks(bool on) {
    m_automaticTicks = on;
    for (Transaction* t : m_branches) {
        if (t)
            t->updateTimer();
    }
}

void TransactionEngine::resetProgress(int minimum, int maximum) {
    m_progress = minimum;
    m_progressMaximum = maximum;
    emit progressRangeChanged(minimum, maximum);
    emit progressChanged(m_progress);
}

void TransactionEngine::registerTransaction(Transaction& transaction) {
    // A misspelt or doubled timer would silently never see its answers: refuse it outright.
    const int index = branchIndex(transaction.timerName());
    if (index < 0 || m_branches[index])
        qFatal("TransactionEngine: timer %s unknown or registered twice",
               qPrintable(transaction.timerName()));
    m_branches[index] = &transaction;
}

void TransactionEngine::unregisterTransaction(Transaction& transaction) {
    for (Transaction*& t : m_branches) {
        if (t == &transaction)
            t = nullptr;
    }
    if (m_heldSender == &transaction)
        m_heldSender = nullptr;
}

Transaction* TransactionEngine::transaction(const QString& timerName) const {
    const int index = branchIndex(timerName);
    return index >= 0 ? m_branches[index] : nullptr;
}

bool TransactionEngine::anyEnabled() const {
    return std::any_of(m_branches.begin(), m_branches.end(),
                       [](const Transaction* t) { return t && t->isEnabled(); });
}

void TransactionEngine::stopAll() {
    for (Transaction* t : m_branches) {
        if (t)
            t->setEnabled(false);
    }
}

void TransactionEngine::tick(Transaction& transaction) {
    if (!m_port.Connected()) {
        forgetOwedAnswers(); // nothing more can arrive on a closed port
    } else if (holding()) {
        if (!lateWindowPassed()) {
            m_heldSender = &transaction;
            return;
        }
        // The line stayed quiet: those sends (or their answers) were lost on the way.
        m_lostSends += int(m_owed.size());
        forgetOwedAnswers();
    }
    send(transaction);
}

bool TransactionEngine::lateWindowPassed() {
    return ++m_heldTicks >= 3 && m_quiet.elapsed() >= m_lateAnswerWindowMs;
}

void TransactionEngine::forgetOwedAnswers() {
    m_owed.clear();
    m_answer.clear();
}

void TransactionEngine::send(Transaction& transaction) {
    m_heldSender = nullptr;
    if (m_pendingCommand != m_sentCommand)
        m_sinceSend.restart();
    m_sentCommand = m_pendingCommand;
    if (m_port.Connected()) {
        const int length = wire::ExpectedAnswerLength(m_sentCommand);
        m_accounted = length > 0;
        if (m_accounted)
            m_owed.push_back({m_sentCommand, length});
        else
            forgetOwedAnswers();
        m_quiet.restart();
        ++m_sendCount;
        m_heldTicks = 0;
        m_port.SendText(m_sentCommand);
    } else if (transaction.whenPortClosed() == PortClosedPolicy::StopTimer) {
        transaction.setEnabled(false);
    }
    m_receiveBuffer.clear();
    emit receivedShown(QString());
    if (transaction.advancesProgress()) {
        ++m_progress;
        emit progressChanged(m_progress);
    }
}

QString TransactionEngine::sentCommandText() const {
    return m_texts.Text04 + QLatin1Char(' ') + m_sentCommand;
}

QString TransactionEngine::receivedText() const {
    return m_texts.Text13 + QLatin1Char(' ') + m_receiveBuffer;
}

void TransactionEngine::OnRxChar(int count) {
    if (!m_portSelected) {
        emit linkStateText(m_texts.Text26, true);
        return;
    }
    QString chunk;
    if (m_port.ReceiveText(chunk, count) <= 0)
        return; // the port closed between the announcement and the read
    // No answer is longer than a few characters: a far end that streams more until the next
    // tick has its surplus dropped, so the buffer and the journal lines stay short.
    const qsizetype room = kReceiveBufferLimit - m_receiveBuffer.size();
    if (room <= 0)
        return;
    if (chunk.size() > room)
        chunk.truncate(room);

    m_quiet.restart();
    m_heldTicks = 0;
    m_inReceive = true;
    m_chosen = false;
    m_chooser = nullptr;
    m_handedOverTo = nullptr;
    const QString late = m_accounted ? attribute(chunk) : QString();
    if (!m_accounted)
        offer(chunk);
    m_inReceive = false;

    const QString sent = m_commandPanelOverride.value_or(sentCommandText());
    m_commandPanelOverride.reset();
    emit sentCommandShown(sent);
    m_receiveBuffer += chunk;
    const QString received = receivedText();
    emit receivedShown(received);
    // The traffic line goes first so that it is in the journal before anything the error
    // handling shows or changes.
    QString line = sent + QLatin1String("   ") + received;
    if (!late.isEmpty()) {
        const QString mark =
            m_texts.lateAnswer.isEmpty() ? QStringLiteral("late answer") : m_texts.lateAnswer;
        // The received panel shows them all; the mark names the first few.
        constexpr qsizetype shown = 16;
        line += QStringLiteral("   (%1: %2%3)")
                    .arg(mark, late.left(shown),
                         late.size() > shown ? QStringLiteral("...") : QString());
    }
    m_journal.Append(line);
    if (m_receiveBuffer.contains(QLatin1Char('*'))) {
        handleModuleError();
        return;
    }
    // The fast option: the next command goes out now, after this event's journal line, and the
    // transaction's timer starts a new period from this send. While answers are owed it waits
    // for them (or for its timer).
    Transaction* t = fastSender();
    if (!t && m_heldSender && m_heldSender->isEnabled() && m_fastTransfers &&
        m_heldSender->fastCapable())
        t = m_heldSender;
    if (!t)
        return;
    if (m_owed.empty()) {
        send(*t);
        t->restartTimer();
    } else {
        m_heldSender = t;
    }
}

QString TransactionEngine::attribute(const QString& chunk) {
    QString late;
    qsizetype pos = 0;
    while (pos < chunk.size()) {
        if (m_owed.empty()) {
            late += chunk.mid(pos); // nothing is owed: an answer to a send given up as lost
            ++m_lateAnswers;
            break;
        }
        // A copy: the branches the piece is offered to may start and stop transactions.
        const OwedAnswer front = m_owed.front();
        // Only the command still pending takes its answers; once its branch has chosen another
        // command (or another transaction's), the answers to its other sends are late. An answer
        // keeps the verdict of its first characters: a branch that moves on at a half answer
        // (the live poll) still gets the rest of it.
        if (m_answer.isEmpty())
            m_answerLive = front.command == m_sentCommand && m_pendingCommand == m_sentCommand;
        const bool live = m_answerLive;
        qsizetype take = front.length - m_answer.size();
        // Characters beyond every owed answer go with the last one, so that its branch sees an
        // answer too long to be taken.
        if (live && m_owed.size() == 1)
            take = chunk.size() - pos;
        const QString piece = chunk.mid(pos, take);
        pos += piece.size();
        if (live)
            offer(piece);
        else
            late += piece;
        m_answer += piece;
        if (m_answer.size() >= front.length) {
            if (!live)
                ++m_lateAnswers;
            m_owed.pop_front();
            m_answer.clear();
        }
    }
    return late;
}

void TransactionEngine::offer(const QString& piece) {
    // Each branch is tested when its turn comes, so a branch that hands over to a later timer
    // lets that timer's branch see the same characters.
    for (Transaction* t : m_branches) {
        if (t && t->isEnabled()) {
            m_offered = t;
            t->Receive(piece);
        }
    }
    m_offered = nullptr;
}

void TransactionEngine::handleModuleError() {
    forgetOwedAnswers();
    stopAll();
    emit stopAllTimersRequested();
    emit moduleError(m_texts.Text49);
    emit unlockRequested();
    emit connectButtonToFrontRequested();
}
