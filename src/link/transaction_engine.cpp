#include "transaction_engine.h"

#include "journal_sink.h"
#include "module_port.h"
#include "transaction.h"

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
}

void TransactionEngine::setPendingCommand(const QString& command) {
    m_pendingCommand = command;
    m_sendsSinceChoice = 0;
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
    m_sentCommand = m_pendingCommand;
    ++m_sendsSinceChoice;
    if (m_port.Connected())
        m_port.SendText(m_sentCommand);
    else if (transaction.whenPortClosed() == PortClosedPolicy::StopTimer)
        transaction.setEnabled(false);
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

    // Each branch is tested when its turn comes, so a branch that hands over to a later timer
    // lets that timer's branch see the same characters.
    // Answers still owed to the resends on silence of the last command: until they have come
    // (or a later tick has taken over), an answer that arrives may belong to an older send, so
    // the fast option leaves the next send to the timer.
    const bool resentOnSilence = m_sendsSinceChoice > 1;
    if (resentOnSilence)
        m_lateAnswersOwed = std::min(m_sendsSinceChoice - 1, kMaxLateAnswersOwed);
    else if (m_lateAnswersOwed > 0)
        --m_lateAnswersOwed;
    m_inReceive = true;
    m_chosen = false;
    m_chooser = nullptr;
    m_handedOverTo = nullptr;
    for (Transaction* t : m_branches) {
        if (t && t->isEnabled()) {
            m_offered = t;
            t->Receive(chunk);
        }
    }
    m_offered = nullptr;
    m_inReceive = false;

    const QString sent = m_commandPanelOverride.value_or(sentCommandText());
    m_commandPanelOverride.reset();
    emit sentCommandShown(sent);
    m_receiveBuffer += chunk;
    const QString received = receivedText();
    emit receivedShown(received);
    // The traffic line goes first so that it is in the journal before anything the error
    // handling shows or changes.
    m_journal.Append(sent + QLatin1String("   ") + received);
    if (m_receiveBuffer.contains(QLatin1Char('*'))) {
        handleModuleError();
        return;
    }
    // The fast option: the next command goes out now, after this event's journal line, and the
    // transaction's timer starts a new period from this send.
    if (Transaction* t = fastSender(); t && m_lateAnswersOwed == 0) {
        tick(*t);
        t->restartTimer();
    }
}

void TransactionEngine::handleModuleError() {
    stopAll();
    emit stopAllTimersRequested();
    emit moduleError(m_texts.Text49);
    emit unlockRequested();
    emit connectButtonToFrontRequested();
}
