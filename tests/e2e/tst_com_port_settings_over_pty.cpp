// The serial port's queue size and timeouts take effect on a real (pseudo-)terminal.
#include "pty_rig.h"

#include <QProcess>
#include <QTest>

class TestComPortSettings : public QObject {
    Q_OBJECT
private slots:
    void transmitQueueSizeSplitsLongWrites_data();
    void transmitQueueSizeSplitsLongWrites();
    void readTimeoutsWaitForTheAnswer_data();
    void readTimeoutsWaitForTheAnswer();
};

void TestComPortSettings::transmitQueueSizeSplitsLongWrites_data() {
    QTest::addColumn<int>("queue");
    QTest::newRow("queue larger than the batch") << 2048;
    QTest::newRow("queue of 4 characters") << 4;
    QTest::newRow("queue of 2 characters") << 2;
}

void TestComPortSettings::transmitQueueSizeSplitsLongWrites() {
    QFETCH(int, queue);
    PtyRig rig;
    QVERIFY(rig.started);
    rig.port.setOutBufSize(queue);
    QVERIFY(rig.open());
    const QString batch = QStringLiteral("00*10*40*90*");
    QCOMPARE(rig.port.SendText(batch), int(batch.size()));
    QVERIFY(rig.port.Connected());
    // The module receives the whole batch, whatever the size of the parts it was sent in.
    QTRY_COMPARE(rig.received().join(QString()), batch);
}

void TestComPortSettings::readTimeoutsWaitForTheAnswer_data() {
    QTest::addColumn<int>("readTotalConstant");
    QTest::addColumn<bool>("send");
    QTest::addColumn<int>("expected"); // characters the read returns
    // Nothing asked, nothing waiting: the program's setting returns at once with nothing.
    QTest::newRow("return at once (the program's setting)") << 0 << false << 0;
    QTest::newRow("wait up to 2 s for the answer") << 2000 << true << 2;
}

void TestComPortSettings::readTimeoutsWaitForTheAnswer() {
    QFETCH(int, readTotalConstant);
    QFETCH(bool, send);
    QFETCH(int, expected);
    // A blocking read stops this thread, so the module answers from a process of its own.
    QProcess simulator;
    simulator.start(QStringLiteral(MARVEK2_SIM), {});
    QVERIFY(simulator.waitForStarted());
    QVERIFY(simulator.waitForReadyRead(5000));
    const QString device = QString::fromLocal8Bit(simulator.readLine()).trimmed();
    QVERIFY(!device.isEmpty());
    TBComPort port;
    port.setPort(device);
    TComTimeouts timeouts;
    timeouts.ReadTotalConstant = readTotalConstant;
    port.setTimeouts(timeouts);
    QVERIFY(port.OpenPort());
    if (send)
        QCOMPARE(port.SendText(QStringLiteral("00*")), 3);
    QString text;
    QCOMPARE(port.ReceiveText(text, 2), expected);
    QCOMPARE(text.size(), expected);
    port.ClosePort();
    simulator.terminate();
    QVERIFY(simulator.waitForFinished(5000));
}

QTEST_MAIN(TestComPortSettings)
#include "tst_com_port_settings_over_pty.moc"
