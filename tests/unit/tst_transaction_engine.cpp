#include "journal_sink.h"
#include "memory_port.h"
#include "raw_console.h"
#include "transaction.h"
#include "transaction_engine.h"
#include "wire_codec.h"

#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <memory>

namespace {

const EngineTexts texts{QStringLiteral("Sent:"), QStringLiteral("Got:"), QStringLiteral("No port"),
                        QStringLiteral("Module error"), QStringLiteral("late")};

// Engine, port and journal with ticks driven by the test.
struct Rig {
    Rig() {
        port.OpenPort();
        engine.setTexts(texts);
        engine.setAutomaticTicks(false);
    }
    std::unique_ptr<Transaction> transaction(const char* name,
                                             PortClosedPolicy policy = PortClosedPolicy::SkipWrite,
                                             bool progress = false) {
        return std::make_unique<Transaction>(engine, QString::fromLatin1(name), 50, policy,
                                             progress);
    }
    MemoryPort port;
    StringListJournal journal;
    TransactionEngine engine{port, journal};
};

} // namespace

class TestTransactionEngine : public QObject {
    Q_OBJECT
private slots:
    void commandIsResentEveryTickUntilAnswered();
    void answerSplitOverTwoEventsIsSeenWhole();
    void lateAnswersNeverStandForTheNextCommand_data();
    void lateAnswersNeverStandForTheNextCommand();
    void streamedGarbageIsBoundedUntilTheNextTick();
    void acknowledgement_data();
    void acknowledgement();
    void errorSignalStopsEveryTransaction();
    void portClosedAtTick_data();
    void portClosedAtTick();
    void noPortSelectedLeavesCharactersUnread();
    void branchesAreOfferedInTheFixedOrder();
    void progressAdvancesOnMarkedTimers();
    void failedWriteClosesThePort();
    void rawConsoleStopsOnFirstCharacters();
    void timersTickByThemselves();
    void fastTransfers_data();
    void fastTransfers();
    void fastHandOverSendsTheNewTransactionsCommand();
    void timersArePrecise();
};

void TestTransactionEngine::commandIsResentEveryTickUntilAnswered() {
    Rig rig;
    auto read = rig.transaction("Timer_Read_Double");
    int value = -1;
    read->setBranch([&](const QString& chunk) {
        if (rig.engine.SentCommand() == QLatin1String("00*")) {
            value = wire::RawByteFromAnswer(chunk);
            read->stop();
        }
    });
    read->start(QStringLiteral("00*"));
    QVERIFY(rig.port.writes.isEmpty()); // nothing before the first tick
    read->tick();
    read->tick();
    read->tick();
    QCOMPARE(rig.port.writes, QStringList({"00*", "00*", "00*"}));
    rig.port.feed(QStringLiteral("50"));
    QCOMPARE(value, 5);
    QVERIFY(!read->isEnabled());
    QCOMPARE(rig.journal.lines(), QStringList({"Sent: 00*   Got: 50"}));
}

void TestTransactionEngine::answerSplitOverTwoEventsIsSeenWhole() {
    Rig rig;
    auto read = rig.transaction("Timer_NeprOpros");
    QStringList seen;
    read->setBranch([&](const QString& chunk) { seen << rig.engine.answerSoFar(chunk); });
    read->start(QStringLiteral("47&"));
    read->tick();
    rig.port.feed(QStringLiteral("12"));
    rig.port.feed(QStringLiteral("34"));
    QCOMPARE(seen, QStringList({"12", "1234"}));
    QCOMPARE(rig.journal.lines(), QStringList({"Sent: 47&   Got: 12", "Sent: 47&   Got: 1234"}));
}

void TestTransactionEngine::lateAnswersNeverStandForTheNextCommand_data() {
    // A read of "00*" moves on to "10*" at its first whole answer; "t" is a tick, anything else
    // characters from the module.
    QTest::addColumn<bool>("fast");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("writes");
    QTest::addColumn<QStringList>("taken");
    QTest::addColumn<int>("late");
    QTest::addColumn<int>("lost");
    using L = QStringList;
    QTest::newRow("clean line") << false << L{"t", "50", "t", "51"} << L{"00*", "10*"}
                                << L{"00*=50", "10*=51"} << 0 << 0;
    QTest::newRow("resent, both answers come")
        << false << L{"t", "t", "50", "t", "50", "t", "51"} << L{"00*", "00*", "10*"}
        << L{"00*=50", "10*=51"} << 1 << 0;
    QTest::newRow("resent, one answer never comes")
        << false << L{"t", "t", "50", "t", "t", "t", "51"} << L{"00*", "00*", "10*"}
        << L{"00*=50", "10*=51"} << 0 << 1;
    QTest::newRow("answer split over the resend")
        << false << L{"t", "5", "t", "0", "t", "50", "t", "51"} << L{"00*", "00*", "10*"}
        << L{"00*=50", "10*=51"} << 1 << 0;
    QTest::newRow("two answers in one chunk")
        << false << L{"t", "t", "5050", "t", "51"} << L{"00*", "00*", "10*"}
        << L{"00*=50", "10*=51"} << 1 << 0;
    QTest::newRow("characters nobody is owed")
        << false << L{"t", "50", "77", "t", "51"} << L{"00*", "10*"} << L{"00*=50", "10*=51"} << 1
        << 0;
    QTest::newRow("fast: the next command waits for the owed answer")
        << true << L{"t", "t", "50", "50", "51"} << L{"00*", "00*", "10*"} << L{"00*=50", "10*=51"}
        << 1 << 0;
    QTest::newRow("fast: a lost answer leaves it to the timer")
        << true << L{"t", "t", "50", "t", "t", "t", "51"} << L{"00*", "00*", "10*"}
        << L{"00*=50", "10*=51"} << 0 << 1;
}

void TestTransactionEngine::lateAnswersNeverStandForTheNextCommand() {
    QFETCH(bool, fast);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, writes);
    QFETCH(QStringList, taken);
    QFETCH(int, late);
    QFETCH(int, lost);
    Rig rig;
    rig.engine.setFastTransfers(fast);
    rig.engine.setLateAnswerWindowMs(0); // three quiet ticks end the wait
    auto read = rig.transaction("TimerEEPROMSaveToFile");
    read->setFastCapable(true);
    QStringList seen;
    read->setBranch([&](const QString& chunk) {
        const QString answer = rig.engine.answerSoFar(chunk);
        if (answer.size() < 2)
            return;
        seen << rig.engine.SentCommand() + QLatin1Char('=') + answer;
        if (rig.engine.SentCommand() == QLatin1String("00*"))
            rig.engine.setPendingCommand(QStringLiteral("10*"));
        else
            read->stop();
    });
    read->start(QStringLiteral("00*"));
    for (const QString& step : steps) {
        if (step == QLatin1String("t"))
            read->tick();
        else
            rig.port.feed(step);
    }
    QCOMPARE(rig.port.writes, writes);
    QCOMPARE(seen, taken);
    QCOMPARE(rig.engine.lateAnswers(), late);
    QCOMPARE(rig.engine.lostSends(), lost);
    QCOMPARE(rig.journal.lines().filter(QStringLiteral("(late: ")).size(), late);
    QCOMPARE(rig.engine.ReceiveBuffer(), steps.last()); // what came since the last tick
}

void TestTransactionEngine::streamedGarbageIsBoundedUntilTheNextTick() {
    Rig rig;
    auto read = rig.transaction("Timer_NeprOpros");
    qsizetype longestSeen = 0;
    QStringList seen;
    read->setBranch([&](const QString& chunk) {
        longestSeen = std::max(longestSeen, rig.engine.answerSoFar(chunk).size());
        seen << rig.engine.answerSoFar(chunk);
    });
    read->start(QStringLiteral("47&"));
    read->tick();
    const qsizetype limit = TransactionEngine::kReceiveBufferLimit;
    // A far end streaming characters (no '*' among them) in chunks of every size.
    for (int i = 0; i < 400; ++i)
        rig.port.feed(QString(i % 37 + 1, QLatin1Char('A' + i % 6)));
    rig.port.feed(QString(100000, QLatin1Char('7')));
    QCOMPARE(rig.engine.ReceiveBuffer().size(), limit);
    // The branch sees the owed answer, never more than the bound of what is kept.
    QVERIFY(longestSeen >= 4 && longestSeen <= limit);
    for (const QString& line : rig.journal.lines())
        QVERIFY(line.size() <= limit + 60);    // the prefixes and the late-answer mark
    QCOMPARE(rig.port.PendingInputCount(), 0); // read and dropped, not left in the port
    // The next tick starts afresh and its answer is seen whole.
    read->tick();
    seen.clear();
    rig.port.feed(QStringLiteral("1234"));
    QCOMPARE(seen, QStringList{QStringLiteral("1234")});
}

void TestTransactionEngine::acknowledgement_data() {
    QTest::addColumn<QStringList>("chunks");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("exact") << QStringList{"!"} << true;
    QTest::newRow("after another character") << QStringList{"x", "!"} << false;
    QTest::newRow("together with another character") << QStringList{"!!"} << false;
    QTest::newRow("error") << QStringList{"*"} << false;
}

void TestTransactionEngine::acknowledgement() {
    QFETCH(QStringList, chunks);
    QFETCH(bool, accepted);
    Rig rig;
    auto write = rig.transaction("Timer_Write", PortClosedPolicy::StopTimer);
    bool done = false;
    write->setBranch([&](const QString& chunk) {
        if (rig.engine.SentCommand() != QLatin1String("B5D1)"))
            return;
        if (rig.engine.answerSoFar(chunk) == QLatin1String("!")) {
            done = true;
            write->stop();
        } else {
            rig.engine.setPendingCommand(rig.engine.SentCommand());
        }
    });
    write->start(QStringLiteral("B5D1)"));
    write->tick();
    for (const QString& c : chunks)
        rig.port.feed(c);
    QCOMPARE(done, accepted);
    if (!accepted && write->isEnabled()) {
        write->tick();
        QCOMPARE(rig.port.writes, QStringList({"B5D1)", "B5D1)"}));
    }
}

void TestTransactionEngine::errorSignalStopsEveryTransaction() {
    Rig rig;
    auto poll = rig.transaction("Timer_NeprOpros");
    auto read = rig.transaction("Timer_Read_Double");
    QSignalSpy error(&rig.engine, &TransactionEngine::moduleError);
    QSignalSpy stopAll(&rig.engine, &TransactionEngine::stopAllTimersRequested);
    QSignalSpy unlock(&rig.engine, &TransactionEngine::unlockRequested);
    QSignalSpy toFront(&rig.engine, &TransactionEngine::connectButtonToFrontRequested);
    poll->setEnabled(true);
    read->start(QStringLiteral("ZZ*"));
    read->tick();
    rig.port.feed(QStringLiteral("*"));
    QVERIFY(!poll->isEnabled());
    QVERIFY(!read->isEnabled());
    QVERIFY(!rig.engine.anyEnabled());
    QCOMPARE(error.size(), 1);
    QCOMPARE(error.at(0).at(0).toString(), QStringLiteral("Module error"));
    QCOMPARE(stopAll.size(), 1);
    QCOMPARE(unlock.size(), 1);
    QCOMPARE(toFront.size(), 1);
    QCOMPARE(rig.journal.lines(), QStringList({"Sent: ZZ*   Got: *"}));
    QVERIFY(rig.port.Connected()); // the port itself stays open
}

void TestTransactionEngine::portClosedAtTick_data() {
    QTest::addColumn<int>("policy");
    QTest::addColumn<bool>("enabledAfter");
    QTest::newRow("skips the write") << int(PortClosedPolicy::SkipWrite) << true;
    QTest::newRow("stops itself") << int(PortClosedPolicy::StopTimer) << false;
}

void TestTransactionEngine::portClosedAtTick() {
    QFETCH(int, policy);
    QFETCH(bool, enabledAfter);
    Rig rig;
    auto t = rig.transaction("Timer_Water_Out", PortClosedPolicy(policy));
    t->start(QStringLiteral("F8*"));
    rig.port.ClosePort();
    t->tick();
    QVERIFY(rig.port.writes.isEmpty());
    QCOMPARE(t->isEnabled(), enabledAfter);
    QCOMPARE(rig.engine.SentCommand(), QStringLiteral("F8*"));
}

void TestTransactionEngine::noPortSelectedLeavesCharactersUnread() {
    Rig rig;
    auto read = rig.transaction("Timer_Read_Double");
    bool entered = false;
    read->setBranch([&](const QString&) { entered = true; });
    QSignalSpy state(&rig.engine, &TransactionEngine::linkStateText);
    rig.engine.setPortSelected(false);
    read->start(QStringLiteral("00*"));
    read->tick();
    rig.port.feed(QStringLiteral("50"));
    QVERIFY(!entered);
    QCOMPARE(rig.port.PendingInputCount(), 2);
    QVERIFY(rig.journal.lines().isEmpty());
    QCOMPARE(state.size(), 1);
    QCOMPARE(state.at(0).at(0).toString(), QStringLiteral("No port"));
    QCOMPARE(state.at(0).at(1).toBool(), true);
}

void TestTransactionEngine::branchesAreOfferedInTheFixedOrder() {
    Rig rig;
    auto regRab = rig.transaction("Timer_RegRab");
    auto control = rig.transaction("Timer_RegRab_Control");
    auto ingeneer = rig.transaction("Timer_2012_Ingeneer"); // first in the order
    QStringList entered;
    regRab->setBranch([&](const QString&) {
        entered << "RegRab";
        regRab->stop();
        control->setEnabled(true);  // hands over to a later branch
        ingeneer->setEnabled(true); // and to an earlier one
    });
    control->setBranch([&](const QString&) { entered << "Control"; });
    ingeneer->setBranch([&](const QString&) { entered << "Ingeneer"; });
    regRab->start(QStringLiteral("00*"));
    regRab->tick();
    rig.port.feed(QStringLiteral("50"));
    QCOMPARE(entered, QStringList({"RegRab", "Control"}));
    control->tick();
    rig.port.feed(QStringLiteral("50"));
    QCOMPARE(entered, QStringList({"RegRab", "Control", "Ingeneer", "Control"}));
    QCOMPARE(rig.engine.transaction(QStringLiteral("Timer_RegRab")), regRab.get());
    QCOMPARE(rig.engine.transaction(QStringLiteral("Timer_SeansOne")), nullptr);
}

void TestTransactionEngine::progressAdvancesOnMarkedTimers() {
    Rig rig;
    auto read = rig.transaction("Timer_Read_Double", PortClosedPolicy::SkipWrite, true);
    auto regRab = rig.transaction("Timer_RegRab");
    QSignalSpy progress(&rig.engine, &TransactionEngine::progressChanged);
    rig.engine.resetProgress(0, 60);
    read->start(QStringLiteral("47%"));
    read->tick();
    read->tick();
    regRab->setEnabled(true);
    regRab->tick();
    QCOMPARE(rig.engine.progress(), 2);
    QCOMPARE(progress.last().at(0).toInt(), 2);
}

void TestTransactionEngine::failedWriteClosesThePort() {
    Rig rig;
    auto t = rig.transaction("Timer_Fuel_Out", PortClosedPolicy::StopTimer);
    QSignalSpy lost(&rig.port, &ModulePort::PortLost);
    rig.port.setFailWrites(true);
    t->start(QStringLiteral("78*"));
    t->tick();
    QCOMPARE(lost.size(), 1);
    QVERIFY(!rig.port.Connected());
    QVERIFY(t->isEnabled());
    t->tick(); // from now on it behaves as for a closed port
    QVERIFY(!t->isEnabled());
}

void TestTransactionEngine::rawConsoleStopsOnFirstCharacters() {
    Rig rig;
    RawConsole console(rig.engine);
    QSignalSpy unlock(&console, &RawConsole::unlockRequested);
    console.send(QStringLiteral("00*"));
    console.tick();
    console.tick();
    rig.port.feed(QStringLiteral("5"));
    QVERIFY(!console.isEnabled());
    rig.port.feed(QStringLiteral("0"));
    QCOMPARE(unlock.size(), 1);
    QCOMPARE(rig.port.writes, QStringList({"00*", "00*"}));
    // An empty line, then one traffic line per receive event with the growing answer.
    QCOMPARE(rig.journal.lines(), QStringList({"", "Sent: 00*   Got: 5", "Sent: 00*   Got: 50"}));
}

void TestTransactionEngine::timersTickByThemselves() {
    Rig rig;
    rig.engine.setAutomaticTicks(true);
    rig.engine.setIntervalScale(0.2);
    auto read = rig.transaction("Timer_Read_Double");
    read->start(QStringLiteral("10*"));
    QTRY_VERIFY(rig.port.writes.size() >= 3);
    read->stop();
    const qsizetype sent = rig.port.writes.size();
    QTest::qWait(50);
    QCOMPARE(rig.port.writes.size(), sent);
}

QTEST_GUILESS_MAIN(TestTransactionEngine)
#include "tst_transaction_engine.moc"

void TestTransactionEngine::fastTransfers_data() {
    QTest::addColumn<bool>("fastOption");
    QTest::addColumn<bool>("capable");
    QTest::addColumn<int>("ticksBeforeAnswer");
    QTest::addColumn<QStringList>("chunks");
    QTest::addColumn<QStringList>("writes");
    // A two-step read: "00*" then "10*"; the branch waits when only one digit has come.
    QTest::newRow("option off: next command at the tick")
        << false << true << 1 << QStringList{"50"} << QStringList{"00*"};
    QTest::newRow("not opted in: next command at the tick")
        << true << false << 1 << QStringList{"50"} << QStringList{"00*"};
    QTest::newRow("fast: next command right after the answer")
        << true << true << 1 << QStringList{"50"} << QStringList{"00*", "10*"};
    QTest::newRow("fast: a waiting branch sends nothing until the answer is whole")
        << true << true << 1 << QStringList{"5", "0"} << QStringList{"00*", "10*"};
    QTest::newRow("fast: a bad answer is asked again at once")
        << true << true << 1 << QStringList{"5x"} << QStringList{"00*", "00*"};
    QTest::newRow("fast: after a resend on silence the next step waits for the tick")
        << true << true << 2 << QStringList{"50"} << QStringList{"00*", "00*"};
}

void TestTransactionEngine::fastTransfers() {
    QFETCH(bool, fastOption);
    QFETCH(bool, capable);
    QFETCH(int, ticksBeforeAnswer);
    QFETCH(QStringList, chunks);
    QFETCH(QStringList, writes);
    Rig rig;
    rig.engine.setFastTransfers(fastOption);
    auto read = rig.transaction("TimerEEPROMSaveToFile");
    read->setFastCapable(capable);
    read->setBranch([&](const QString& chunk) {
        const QString answer = rig.engine.answerSoFar(chunk);
        if (answer.size() < 2)
            return; // the rest of the answer is on its way
        const bool valid = wire::HexDigit(answer.at(0)) >= 0 && wire::HexDigit(answer.at(1)) >= 0;
        if (rig.engine.SentCommand() == QLatin1String("00*"))
            rig.engine.setPendingCommand(valid ? QStringLiteral("10*") : QStringLiteral("00*"));
        else
            read->stop();
    });
    read->start(QStringLiteral("00*"));
    for (int i = 0; i < ticksBeforeAnswer; ++i)
        read->tick();
    for (const QString& c : chunks)
        rig.port.feed(c);
    QCOMPARE(rig.port.writes, writes);
    // The traffic line of the answer is written before the next command goes out.
    QCOMPARE(rig.journal.lines().last(), "Sent: 00*   Got: " + chunks.join(QString()));
}

void TestTransactionEngine::fastHandOverSendsTheNewTransactionsCommand() {
    Rig rig;
    rig.engine.setFastTransfers(true);
    auto write = rig.transaction("Timer_RegRab");
    auto verify = rig.transaction("Timer_RegRab_Control");
    write->setFastCapable(true);
    verify->setFastCapable(true);
    write->setBranch([&](const QString& chunk) {
        if (rig.engine.answerSoFar(chunk) == QLatin1String("!")) {
            write->stop();
            verify->start(QStringLiteral("00*"));
        }
    });
    write->start(QStringLiteral("5800)"));
    write->tick();
    rig.port.feed(QStringLiteral("!"));
    QCOMPARE(rig.port.writes, QStringList({"5800)", "00*"}));
    QCOMPARE(rig.engine.SentCommand(), QStringLiteral("00*"));
    QVERIFY(rig.engine.ReceiveBuffer().isEmpty());
}

void TestTransactionEngine::timersArePrecise() {
    Rig rig;
    auto read = rig.transaction("Timer_Read_Double");
    QCOMPARE(read->timer().timerType(), Qt::PreciseTimer);
}
