#include "link_check.h"
#include "pty_rig.h"
#include "transaction.h"
#include "transaction_engine.h"
#include "wire_codec.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

// The simulated module on a pseudo-terminal and the program's port on it, 19200 8N1, at the
// engine's real intervals.
struct Bench : PtyRig {
    Bench() : PtyRig(QByteArray(), 1.0) {
        engine.setTexts(
            {QStringLiteral(">"), QStringLiteral("<"), QString(), QString(), QString()});
    }
    int received(const QString& command) { return int(sim().receivedCommands().count(command)); }
};

// A byte read that accepts the answer only when it is whole within one tick period.
struct ByteRead {
    ByteRead(TransactionEngine& engine, const char* timer, PortClosedPolicy policy)
        : transaction(engine, QString::fromLatin1(timer), 50, policy, false) {
        transaction.setBranch([this, &engine](const QString& chunk) {
            const QString answer = engine.answerSoFar(chunk);
            if (engine.SentCommand() == command && answer.size() == 2) {
                value = wire::DecodeByte(answer).value_or(-1);
                transaction.stop();
            }
        });
    }
    void start(const QString& c) {
        command = c;
        transaction.start(c);
    }
    Transaction transaction;
    QString command;
    int value = -2;
};

} // namespace

class TestLinkOverPty : public QObject {
    Q_OBJECT
private slots:
    void portContract();
    void commandIsResentUntilAnswered();
    void splitAnswerIsSeenWhole();
    void answerSplitByATickIsStillItsCommands();
    void linkCheckReportsTheLine_data();
    void linkCheckReportsTheLine();
    void errorAnswerStopsEveryTransaction();
    void unplugMidTransactionClosesThePort();
    void cliSend_data();
    void cliSend();
};

void TestLinkOverPty::portContract() {
    TBComPort missing;
    missing.setPort(QStringLiteral("/dev/marvek2-no-such-port"));
    try {
        missing.OpenPort();
        QFAIL("opening a missing port must fail");
    } catch (const EComPort& e) {
        QCOMPARE(e.message(), QStringLiteral("Попытка открыть несуществующий COM-порт"));
    }
    QVERIFY(!missing.Connected());

    Bench b;
    QVERIFY(b.started);
    b.port.setInBufSize(2049);
    QCOMPARE(b.port.InBufSize(), 2048);
    b.port.setOutBufSize(1025);
    QCOMPARE(b.port.OutBufSize(), 1024);
    QVERIFY(b.port.OpenPort());
    QVERIFY(b.port.OpenPort()); // a second open keeps the first connection
    QVERIFY(b.port.Connected());
    const QString name = b.port.Port();
    try {
        b.port.setPort(QStringLiteral("/dev/null"));
        QFAIL("the port name must not change while open");
    } catch (const EComPort& e) {
        QCOMPARE(e.message(), QStringLiteral("Нельзя менять свойство, пока порт открыт"));
    }
    QCOMPARE(b.port.Port(), name);
    QVERIFY(b.port.ClosePort());
    QVERIFY(b.port.ClosePort());
    QVERIFY(!b.port.Connected());
    QVERIFY(b.port.OpenPort()); // reopening works straight after a close
}

void TestLinkOverPty::commandIsResentUntilAnswered() {
    Bench b;
    QVERIFY(b.started);
    QVERIFY(b.port.OpenPort());
    ByteRead read(b.engine, "Timer_Read_Double", PortClosedPolicy::SkipWrite);
    b.sim().setSilent(true);
    read.start(QStringLiteral("00*"));
    QTRY_VERIFY(b.received(QStringLiteral("00*")) >= 4);
    QVERIFY(read.transaction.isEnabled());
    b.sim().setSilent(false);
    QTRY_VERIFY(!read.transaction.isEnabled());
    QCOMPARE(read.value, int(quint8(b.sim().eeprom().at(0x00))));
    QVERIFY(b.journal.lines().last().startsWith(QStringLiteral("> 00*   < ")));
}

void TestLinkOverPty::splitAnswerIsSeenWhole() {
    Bench b;
    QVERIFY(b.started);
    QVERIFY(b.port.OpenPort());
    ByteRead read(b.engine, "Timer_Read_Double", PortClosedPolicy::SkipWrite);
    sim::FaultRates faults;
    faults.split = 1.0;
    faults.splitGapMs = 5;
    b.sim().setFaults(faults);
    read.start(QStringLiteral("87*"));
    QTRY_VERIFY(!read.transaction.isEnabled());
    QCOMPARE(read.value, int('M'));
    // The two characters came in separate receive events: one traffic line each.
    QVERIFY(b.journal.lines().size() >= 2);
    QCOMPARE(b.journal.lines().last(), QStringLiteral("> 87*   < D4"));
}

void TestLinkOverPty::answerSplitByATickIsStillItsCommands() {
    Bench b;
    QVERIFY(b.started);
    QVERIFY(b.port.OpenPort());
    ByteRead read(b.engine, "Timer_Read_Double", PortClosedPolicy::SkipWrite);
    sim::FaultRates faults;
    faults.split = 1.0;
    faults.splitGapMs = 200; // several ticks: the rest of the answer comes after resends
    b.sim().setFaults(faults);
    // Only the first send is answered.
    QObject::connect(&b.sim(), &sim::Module::exchanged, &b.sim(), [&] { b.sim().setSilent(true); });
    read.start(QStringLiteral("00*"));
    QTRY_VERIFY_WITH_TIMEOUT(!read.transaction.isEnabled(), 3000);
    QCOMPARE(read.value, int(quint8(b.sim().eeprom().at(0x00))));
    QVERIFY(b.received(QStringLiteral("00*")) > 1);
}

void TestLinkOverPty::linkCheckReportsTheLine_data() {
    QTest::addColumn<sim::FaultRates>("rates");
    QTest::addColumn<bool>("late");
    QTest::addColumn<bool>("missing");
    sim::FaultRates drops;
    drops.drop = 0.1;
    QTest::newRow("clean line") << sim::FaultRates() << false << false;
    QTest::newRow("busy module") << BusyModule(0.2, 0) << true << false;
    QTest::newRow("dropped answers") << drops << false << true;
}

void TestLinkOverPty::linkCheckReportsTheLine() {
    QFETCH(sim::FaultRates, rates);
    QFETCH(bool, late);
    QFETCH(bool, missing);
    Bench b;
    QVERIFY(b.started);
    QVERIFY(b.port.OpenPort());
    b.sim().setSeed(3);
    b.sim().setFaults(rates);
    const QByteArray before = b.sim().eeprom();
    LinkCheck check(b.engine);
    QSignalSpy finished(&check, &LinkCheck::finished);
    QVERIFY(check.startCheck(3));
    QVERIFY(finished.wait(60000));
    QCOMPARE(finished.first().at(0).toBool(), true);
    const LinkCheckReport& report = check.report();
    for (const LinkTimingFigures* f : {&report.normal, &report.fast}) {
        QCOMPARE(f->reads, 3 * int(LinkCheck::Commands().size()));
        QCOMPARE(f->late > 0, late);
        QCOMPARE(f->missing > 0, missing);
    }
    QVERIFY(report.sameBytes());
    QCOMPARE(report.fastIsSafe(), !late && !missing);
    QVERIFY(!b.engine.fastTransfers()); // the program's own choice again
    QCOMPARE(b.sim().eeprom(), before);
    for (const QString& command : b.sim().receivedCommands())
        QVERIFY2(command.endsWith(u'*'), qPrintable(command)); // reads only
}

void TestLinkOverPty::errorAnswerStopsEveryTransaction() {
    Bench b;
    QVERIFY(b.started);
    QVERIFY(b.port.OpenPort());
    ByteRead read(b.engine, "Timer_Read_Double", PortClosedPolicy::SkipWrite);
    // Enabled but not ticking within the test: two timers would each send the pending command.
    Transaction poll(b.engine, QStringLiteral("Timer_NeprOpros"), 60000,
                     PortClosedPolicy::SkipWrite, false);
    QSignalSpy error(&b.engine, &TransactionEngine::moduleError);
    poll.setEnabled(true);
    read.start(QStringLiteral("ZZ*")); // no such command
    QTRY_COMPARE(error.size(), 1);
    QVERIFY(!read.transaction.isEnabled());
    QVERIFY(!poll.isEnabled());
    QVERIFY(b.journal.lines().last().endsWith(QStringLiteral("< *")));
    QVERIFY(b.port.Connected());
}

void TestLinkOverPty::unplugMidTransactionClosesThePort() {
    Bench b;
    QVERIFY(b.started);
    QVERIFY(b.port.OpenPort());
    ByteRead keeps(b.engine, "Timer_Read_Double", PortClosedPolicy::SkipWrite);
    ByteRead stops(b.engine, "Timer_Water_Out", PortClosedPolicy::StopTimer);
    QSignalSpy lost(&b.port, &ModulePort::PortLost);
    b.sim().setSilent(true);
    keeps.start(QStringLiteral("00*"));
    QTRY_VERIFY(b.received(QStringLiteral("00*")) >= 2);
    b.module.unplug();
    QTRY_VERIFY(!b.port.Connected());
    QCOMPARE(lost.size(), 1);
    stops.transaction.setEnabled(true);
    QTRY_VERIFY(!stops.transaction.isEnabled()); // stops itself at its next tick
    QTest::qWait(150);
    QVERIFY(keeps.transaction.isEnabled()); // keeps ticking without writing
    QCOMPARE(lost.size(), 1);
}

void TestLinkOverPty::cliSend_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");
    QTest::newRow("first name character") << "87*" << false << 0 << "D4\n";
    QTest::newRow("register word") << "47&" << false << 0 << "C210\n"; // flow factor 300
    QTest::newRow("refused") << "ZZ*" << false << 2 << "*\n";
    QTest::newRow("no answer") << "00*" << true << 3 << "";
}

void TestLinkOverPty::cliSend() {
    QFETCH(QString, command);
    QFETCH(bool, silent);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    Bench b;
    QVERIFY(b.started);
    b.sim().setSilent(silent);
    QProcess cli;
    cli.start(QStringLiteral(MARVEK2_CLI),
              {QStringLiteral("send"), QStringLiteral("--port"), b.module.slavePath(), command,
               QStringLiteral("--timeout"), QStringLiteral("1")});
    // The simulator lives in this event loop: wait without blocking it.
    QTRY_COMPARE_WITH_TIMEOUT(cli.state(), QProcess::NotRunning, 10000);
    QCOMPARE(cli.exitCode(), exitCode);
    QCOMPARE(QString::fromLatin1(cli.readAllStandardOutput()), output);
    if (exitCode != 0)
        QVERIFY(!cli.readAllStandardError().isEmpty());
    QVERIFY(b.received(command) >= 1);
}

QTEST_GUILESS_MAIN(TestLinkOverPty)
#include "tst_link_over_pty.moc"
