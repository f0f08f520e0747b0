#include "com_port.h"
#include "module_connection.h"
#include "module_settings.h"
#include "pty_rig.h"

#include <QSignalSpy>
#include <QTest>

using State = ModuleConnection::State;

namespace {

// The connection on the simulated module's pseudo-terminal, the port given by its device path as
// the --port option gives it.
struct Bench : PtyRig {
    Bench() : PtyRig(QByteArray(), 0.2) { connection.addTypedPort(module.slavePath()); }
    ModuleSettingsModel model;
    ModuleConnection connection{port, engine, model, journal};
};

} // namespace

class TestModuleConnectionOverPty : public QObject {
    Q_OBJECT
private slots:
    void connectsAndIdentifies_data();
    void connectsAndIdentifies();
    void portThatCannotOpenChangesNothing();
    void pulledAdapterIsLostAndRemoved();
};

void TestModuleConnectionOverPty::connectsAndIdentifies_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("silentFirst");
    QTest::addColumn<State>("end");
    QTest::newRow("Marvek-2") << QByteArray("Marvek-2") << false << State::Identified;
    QTest::newRow("another module") << QByteArray("Other-01") << false << State::Foreign;
    QTest::newRow("eight blanks") << QByteArray("        ") << false << State::Foreign;
    QTest::newRow("silent, then answers") << QByteArray("Marvek-2") << true << State::Identified;
}

void TestModuleConnectionOverPty::connectsAndIdentifies() {
    QFETCH(QByteArray, name);
    QFETCH(bool, silentFirst);
    QFETCH(State, end);
    Bench b;
    QVERIFY(b.started);
    b.sim().state().setName(name);
    b.sim().setSilent(silentFirst);
    QVERIFY(b.connection.listPorts().contains(b.module.slavePath()));
    QSignalSpy states(&b.connection, &ModuleConnection::stateChanged);
    QSignalSpy identified(&b.connection, &ModuleConnection::identified);
    QSignalSpy foreign(&b.connection, &ModuleConnection::foreignModule);

    QVERIFY(!b.connection.connectTo(b.module.slavePath()).has_value());
    QVERIFY(b.port.Connected());
    QCOMPARE(b.connection.state(), State::Connecting);
    if (silentFirst) {
        // The 5 s report (scaled); the read goes on and takes the module once it answers.
        QTRY_COMPARE_WITH_TIMEOUT(b.connection.state(), State::NoAnswer, 5000);
        b.sim().setSilent(false);
    }
    QTRY_COMPARE_WITH_TIMEOUT(b.connection.state(), end, 20000);
    QCOMPARE(states.last().at(0).value<State>(), end);
    QCOMPARE(identified.size() + foreign.size(), 1);
    QSignalSpy& named = end == State::Identified ? identified : foreign;
    QCOMPARE(named.at(0).at(0).toString(), QString::fromLatin1(name));
    QCOMPARE(b.model.settings().ModuleName, QString::fromLatin1(name));

    QVERIFY(b.connection.closePort());
    QVERIFY(!b.port.Connected());
    QCOMPARE(b.connection.state(), State::Disconnected);
}

void TestModuleConnectionOverPty::portThatCannotOpenChangesNothing() {
    Bench b;
    QVERIFY(b.started);
    QSignalSpy states(&b.connection, &ModuleConnection::stateChanged);
    const std::optional<EComPort> error = b.connection.connectTo(b.module.slavePath() + "-gone");
    QVERIFY(error.has_value());
    QVERIFY(!error->message().isEmpty());
    QVERIFY(!b.port.Connected());
    QCOMPARE(b.connection.state(), State::Disconnected);
    QCOMPARE(states.size(), 0);
    QVERIFY(b.sim().receivedCommands().isEmpty());
}

void TestModuleConnectionOverPty::pulledAdapterIsLostAndRemoved() {
    Bench b;
    QVERIFY(b.started);
    const QString path = b.module.slavePath();
    b.connection.watchPorts(b.connection.listPorts(), 50);
    QSignalSpy lost(&b.connection, &ModuleConnection::portLost);
    QSignalSpy removed(&b.connection, &ModuleConnection::portRemoved);
    QVERIFY(!b.connection.connectTo(path).has_value());
    QTRY_COMPARE_WITH_TIMEOUT(b.connection.state(), State::Identified, 20000);

    b.module.unplug();
    QTRY_COMPARE_WITH_TIMEOUT(b.connection.state(), State::Lost, 5000);
    QVERIFY(!b.port.Connected());
    QCOMPARE(lost.size(), 1);
    QCOMPARE(lost.at(0).at(1).toString(), path);
    const QString reason = lost.at(0).at(0).toString();
    QVERIFY(b.journal.lines().contains(reason + QStringLiteral(": ") + path));
    // The typed path is listed no longer: the watcher reports it removed.
    QTRY_COMPARE_WITH_TIMEOUT(removed.size(), 1, 5000);
    QCOMPARE(removed.at(0).at(0).toString(), path);
    QVERIFY(!b.connection.listPorts().contains(path));
}

QTEST_GUILESS_MAIN(TestModuleConnectionOverPty)
#include "tst_module_connection_over_pty.moc"
