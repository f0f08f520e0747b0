#include "process_priority.h"

#include <QTest>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

Q_DECLARE_METATYPE(ProcessPriority)

class TestProcessPriority : public QObject {
    Q_OBJECT
private slots:
    void classes_data();
    void classes();
    void niceValuesBetweenClasses();
    void normalIsReadBack();
    void raisingIsAppliedOrRefusedWithAMessage_data();
    void raisingIsAppliedOrRefusedWithAMessage();
    void refusedChangeIsReported();
    // Last: an unprivileged process cannot come back from idle.
    void lowering();
};

void TestProcessPriority::classes_data() {
    QTest::addColumn<ProcessPriority>("priority");
    QTest::addColumn<int>("niceValue");
    QTest::addColumn<QString>("name");
    QTest::newRow("idle") << ProcessPriority::Idle << 19 << QStringLiteral("Низкий");
    QTest::newRow("normal") << ProcessPriority::Normal << 0 << QStringLiteral("Норма");
    QTest::newRow("high") << ProcessPriority::High << -10 << QStringLiteral("Высокий");
    QTest::newRow("real time") << ProcessPriority::RealTime << -20
                               << QStringLiteral("Преобладающий");
}

void TestProcessPriority::classes() {
    QFETCH(ProcessPriority, priority);
    QFETCH(int, niceValue);
    QFETCH(QString, name);
    QCOMPARE(NiceValueOf(priority), niceValue);
    QCOMPARE(PriorityOfNiceValue(niceValue), std::optional<ProcessPriority>(priority));
    QCOMPARE(ProcessPriorityName(priority), name);
}

void TestProcessPriority::niceValuesBetweenClasses() {
    for (int niceValue : {-15, -1, 1, 10, 18})
        QVERIFY(!PriorityOfNiceValue(niceValue).has_value());
}

void TestProcessPriority::normalIsReadBack() {
    if (getpriority(PRIO_PROCESS, 0) != 0)
        QSKIP("the test runs with a nice value set by its caller");
    QCOMPARE(SetProcessPriority(ProcessPriority::Normal), QString());
    QCOMPARE(CurrentProcessPriority(), std::optional<ProcessPriority>(ProcessPriority::Normal));
}

void TestProcessPriority::raisingIsAppliedOrRefusedWithAMessage_data() {
    QTest::addColumn<ProcessPriority>("priority");
    QTest::newRow("high") << ProcessPriority::High;
    QTest::newRow("real time") << ProcessPriority::RealTime;
}

void TestProcessPriority::raisingIsAppliedOrRefusedWithAMessage() {
    QFETCH(ProcessPriority, priority);
    const int before = getpriority(PRIO_PROCESS, 0);
    const QString error = SetProcessPriority(priority);
    if (error.isEmpty()) {
        QCOMPARE(CurrentProcessPriority(), std::optional<ProcessPriority>(priority));
        // Put it back, so the next row starts where this one did.
        setpriority(PRIO_PROCESS, 0, before);
    } else {
        QVERIFY2(error.contains(ProcessPriorityName(priority)), qPrintable(error));
        QCOMPARE(getpriority(PRIO_PROCESS, 0), before);
    }
}

void TestProcessPriority::refusedChangeIsReported() {
    // A child without the privilege to raise its priority, whoever runs the tests.
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        const rlimit noRaising{0, 0};
        if (setrlimit(RLIMIT_NICE, &noRaising) != 0)
            _exit(10);
        if (geteuid() == 0 && setuid(65534) != 0)
            _exit(11);
        const int before = getpriority(PRIO_PROCESS, 0);
        const QString error = SetProcessPriority(ProcessPriority::High);
        if (error.isEmpty())
            _exit(12);
        if (!error.contains(QStringLiteral("Высокий")) || !error.contains(QStringLiteral("-10")))
            _exit(13);
        if (getpriority(PRIO_PROCESS, 0) != before)
            _exit(14);
        _exit(0);
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
}

void TestProcessPriority::lowering() {
    QCOMPARE(SetProcessPriority(ProcessPriority::Idle), QString());
    QCOMPARE(CurrentProcessPriority(), std::optional<ProcessPriority>(ProcessPriority::Idle));
    // Normal is above idle: allowed only with the privilege, else refused with a message.
    const QString error = SetProcessPriority(ProcessPriority::Normal);
    if (error.isEmpty())
        QCOMPARE(CurrentProcessPriority(), std::optional<ProcessPriority>(ProcessPriority::Normal));
    else
        QCOMPARE(CurrentProcessPriority(), std::optional<ProcessPriority>(ProcessPriority::Idle));
}

QTEST_APPLESS_MAIN(TestProcessPriority)
#include "tst_process_priority.moc"
