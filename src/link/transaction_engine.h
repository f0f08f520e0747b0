#pragma once

#include "operation_status.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <QElapsedTimer>

#include <array>
#include <deque>
#include <optional>

class ModulePort;
class JournalSink;
class Transaction;

// The interface texts the engine shows; empty until a language is applied.
struct EngineTexts {
    QString Text04;     // before the command sent
    QString Text13;     // before the answer received
    QString Text26;     // no port selected
    QString Text49;     // the module refused a command
    QString lateAnswer; // journal mark of characters that answered an earlier send
};

// The one exchange with the module at a time: PendingCommand is sent by the enabled transaction's
// timer, answers are collected in ReceiveBuffer and offered to the transactions' branches in a
// fixed order, and every receive event ends with one journal line.
//
// Answers carry no address, so the engine attributes them: every send of a well-formed command
// owes an answer of a known length, and received characters pay the oldest debt first. A branch
// is offered only characters that answer a send of SentCommand while that command is still the
// one pending; what answers an earlier send once the branch has moved on is a late answer,
// journaled and dropped. A different command goes out only when nothing is owed, or when the
// line has been quiet for the late-answer window (the owed sends are then taken as lost).
class TransactionEngine : public QObject {
    Q_OBJECT
public:
    static constexpr int BranchCount = 25;
    // The most characters kept in ReceiveBuffer between two ticks; more are dropped unread.
    static constexpr qsizetype kReceiveBufferLimit = 256;
    static const std::array<const char*, BranchCount>& BranchOrder();

    TransactionEngine(ModulePort& port, JournalSink& journal, QObject* parent = nullptr);

    ModulePort& port() const { return m_port; }
    JournalSink& journal() const { return m_journal; }

    const QString& PendingCommand() const { return m_pendingCommand; }
    // A branch that sets PendingCommand while it handles an answer has chosen the next step.
    void setPendingCommand(const QString& command);
    const QString& SentCommand() const { return m_sentCommand; }
    // Everything received since the last tick (status panel, journal).
    const QString& ReceiveBuffer() const { return m_receiveBuffer; }
    // What a branch sees of the answer so far: the characters of the same answer that came before
    // (answerBefore), followed by the chunk it is offered. A chunk never reaches past the end of
    // the answer it belongs to, unless the module sent more characters than it owed.
    QString answerSoFar(const QString& chunk) const { return answerBefore() + chunk; }
    const QString& answerBefore() const { return m_accounted ? m_answer : m_receiveBuffer; }

    // The shortest quiet time before a different command follows unanswered sends (besides three
    // ticks of the sending transaction).
    static constexpr int kDefaultLateAnswerWindowMs = 250;
    void setLateAnswerWindowMs(int ms) { m_lateAnswerWindowMs = ms; }
    int lateAnswerWindowMs() const { return m_lateAnswerWindowMs; }
    // Sends whose answer is still due.
    int owedAnswers() const { return int(m_owed.size()); }
    // Answers (or their parts) dropped as late, and sends given up as lost, since construction.
    int lateAnswers() const { return m_lateAnswers; }
    int lostSends() const { return m_lostSends; }
    // Commands written since construction, and the time since SentCommand first went out (its
    // repeats do not count).
    int sendCount() const { return m_sendCount; }
    double msSinceSend() const { return double(m_sinceSend.nsecsElapsed()) / 1e6; }

    void setTexts(const EngineTexts& texts) { m_texts = texts; }
    const EngineTexts& texts() const { return m_texts; }

    // Whether the user has a port selected; with none, received characters are left unread.
    void setPortSelected(bool selected) { m_portSelected = selected; }
    bool portSelected() const { return m_portSelected; }

    // Timer intervals are multiplied by this (tests only: transfers take seconds by design).
    void setIntervalScale(double scale);
    double intervalScale() const { return m_intervalScale; }
    // With automatic ticks off, enabled transactions never tick by themselves (tests drive them).
    void setAutomaticTicks(bool on);
    bool automaticTicks() const { return m_automaticTicks; }

    // The fast transfer option (off by default): transactions that opted in
    // (Transaction::setFastCapable) send their next command right after the answer that chose
    // it instead of at the next tick. The module must accept a command as soon as it has
    // answered the previous one.
    void setFastTransfers(bool on) { m_fastTransfers = on; }
    bool fastTransfers() const { return m_fastTransfers; }

    // The long operation the user waits for, as the transfers report it.
    OperationStatus& operation() { return m_operation; }
    const OperationStatus& operation() const { return m_operation; }

    // Progress counter of the long transfers.
    void resetProgress(int minimum, int maximum);
    int progress() const { return m_progress; }

    // Transactions register their branch under their timer's name; one per name.
    void registerTransaction(Transaction& transaction);
    void unregisterTransaction(Transaction& transaction);
    Transaction* transaction(const QString& timerName) const;
    bool anyEnabled() const;
    void stopAll();

    // The receive handler, connected to the port's RxChar.
    void OnRxChar(int count);

    // Status texts as the upper status bar shows them.
    QString sentCommandText() const;
    // For the receive event being handled: the command panel (and the journal line) shows text
    // instead of the command sent, e.g. why a transfer stopped.
    void showInCommandPanel(const QString& text) { m_commandPanelOverride = text; }
    QString receivedText() const;

signals:
    void linkStateText(const QString& text, bool alarm); // panel 0
    void sentCommandShown(const QString& text);          // panel 2 (Edit5 shows SentCommand)
    void receivedShown(const QString& text);             // panel 3
    void progressRangeChanged(int minimum, int maximum);
    void progressChanged(int value);

    // The module answered "*": every transaction has been stopped already; the shell stops its
    // other timers, shows the message, unlocks the interface and brings the connect button to
    // the front.
    void stopAllTimersRequested();
    void moduleError(const QString& message);
    void unlockRequested();
    void connectButtonToFrontRequested();

private:
    friend class Transaction;
    void tick(Transaction& transaction);
    void handleModuleError();
    void transactionEnabled(Transaction& transaction);
    Transaction* fastSender() const;
    // A different command waits while earlier sends still owe their answers.
    bool holding() const { return !m_owed.empty() && m_pendingCommand != m_sentCommand; }
    bool lateWindowPassed();
    void send(Transaction& transaction);
    // Hands one receive event's characters to their sends; returns the late characters.
    QString attribute(const QString& chunk);
    void offer(const QString& piece);
    void forgetOwedAnswers();

    ModulePort& m_port;
    JournalSink& m_journal;
    EngineTexts m_texts;
    QString m_pendingCommand;
    QString m_sentCommand;
    QString m_receiveBuffer;
    std::optional<QString> m_commandPanelOverride;
    bool m_portSelected = true;
    double m_intervalScale = 1.0;
    bool m_automaticTicks = true;
    bool m_fastTransfers = false;
    // Bookkeeping of one receive event for the fast option: whether a branch chose the next
    // command, which transaction's branch did, and which transaction was enabled by a hand-over.
    bool m_inReceive = false;
    bool m_chosen = false;
    Transaction* m_chooser = nullptr;
    Transaction* m_handedOverTo = nullptr;
    Transaction* m_offered = nullptr;
    // The answer accounting. Each owed send is its command and the length of its answer.
    struct OwedAnswer {
        QString command;
        int length = 0;
    };
    std::deque<OwedAnswer> m_owed;
    QString m_answer;          // what came so far of the oldest owed answer
    bool m_answerLive = false; // whether that answer goes to the branches
    bool m_accounted = true;   // false after typed text whose answer cannot be told
    QElapsedTimer m_quiet;     // since the last send or received character
    int m_heldTicks = 0;       // ticks that held a different command back since then
    int m_lateAnswerWindowMs = kDefaultLateAnswerWindowMs;
    // A fast transaction whose next command waits for owed answers; it sends when they are in.
    Transaction* m_heldSender = nullptr;
    int m_lateAnswers = 0;
    int m_lostSends = 0;
    int m_sendCount = 0;
    QElapsedTimer m_sinceSend;
    int m_progress = 0;
    int m_progressMaximum = 100;
    OperationStatus m_operation;
    std::array<Transaction*, BranchCount> m_branches{};
};
