#include "connect_read.h"
#include "module_settings.h"
#include "pty_rig.h"
#include "settings_map.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using namespace settings_map;

// Shown by QCOMPARE when two ModuleSettings differ.
char* toString(const ModuleSettings& s) {
    QStringList digits;
    for (const int d : s.FuelFlowDigits)
        digits << QString::number(d);
    digits << QStringLiteral("/");
    for (const int d : s.FuelCounterDigits)
        digits << QString::number(d);
    const QString text =
        QStringLiteral("name \"%1\" flags %2 %3 %4 KFuel %5 PTN %6 NumBurn %7 Porog_T %8 VolEng %9 "
                       "ZdK %10 UKZ %11 OPR %12 UPL %13 LUup %14 LUdown %15 digits %16")
            .arg(s.ModuleName)
            .arg(s.Flags00)
            .arg(s.Flags01)
            .arg(s.Flags1F)
            .arg(s.KFuel)
            .arg(s.PTN)
            .arg(s.NumBurn)
            .arg(s.Porog_T)
            .arg(s.VolEng)
            .arg(s.ZdK)
            .arg(s.UKZ)
            .arg(s.OPR)
            .arg(s.UPL)
            .arg(s.LUup)
            .arg(s.LUdown)
            .arg(digits.join(u' '));
    return qstrdup(text.toUtf8().constData());
}

namespace {

// The simulated module on a pseudo-terminal (live registers frozen, so the read's register digits
// can be compared exactly), the program's port on it, and the connection read with its settings
// model.
struct Bench : PtyRig {
    explicit Bench(double intervalScale, bool fast = false) : PtyRig(QByteArray(), intervalScale) {
        engine.setFastTransfers(fast);
    }
    QStringList readErrorLines() const {
        QStringList found;
        for (const QString& line : journal.lines()) {
            if (line.startsWith(QStringLiteral("Ошибка чтения")))
                found << line;
        }
        return found;
    }

    ModuleSettingsModel model;
    ConnectRead read{engine, model};
};

// What the read must leave in ModuleSettings for the simulator's memory, worked out from the
// EEPROM image and the registers directly.
ModuleSettings expectedFor(sim::Module& module) {
    const QByteArray e = module.eeprom();
    auto at = [&](int address) { return int(quint8(e.at(address))); };
    ModuleSettings s;
    s.Flags00 = at(0x00);
    s.Flags01 = at(0x01);
    s.Flags1F = at(0x1F);
    s.KFuel = KFuelFromByte(at(0x04));
    s.PTN = PTNFromByte(at(0x08));
    s.NumBurn = NumBurnFromByte(at(0x09));
    s.Porog_T = Porog_TFromByte(at(0x0A));
    s.VolEng = VolEngFromByte(at(0x0F));
    s.ZdK = ZdKFromByte(at(0x17));
    s.UKZ = UKZFromByte(at(0x1B));
    s.OPR = OPRFromByte(at(0x1D));
    s.UPL = UPLFromByte(at(0x1E));
    s.LUup = LUupFromByte(at(0x20));
    s.LUdown = LUdownFromByte(at(0x21));
    s.ModuleName = QString::fromLatin1(e.mid(0x78, 8));
    const int flow[2] = {module.registerByte(0x74), module.registerByte(0x75)};
    for (int i = 0; i < 2; ++i) {
        s.FuelFlowDigits[2 * i] = flow[i] & 0x0F;
        s.FuelFlowDigits[2 * i + 1] = flow[i] >> 4;
    }
    const int counter[3] = {module.registerByte(0x40), module.registerByte(0x41),
                            module.registerByte(0x42)};
    for (int i = 0; i < 3; ++i) {
        s.FuelCounterDigits[2 * i] = counter[i] & 0x0F;
        s.FuelCounterDigits[2 * i + 1] = counter[i] >> 4;
    }
    return s;
}

// Worked examples written into the simulator's EEPROM before a read.
void writeWorkedExamples(sim::Module& module) {
    auto& state = module.state();
    state.setEeprom(0x00, 0x81); // system off, water pressure present
    state.setEeprom(0x04, 181);  // KFuel 181
    state.setEeprom(0x08, 155);  // PTN 1.5
    state.setEeprom(0x0A, 26);   // Porog_T 10
    state.setEeprom(0x1D, 51);   // OPR 0.25
    state.setEeprom(0x1E, 119);  // UPL -0.07
    module.setRegisterByte(0x74, 0x3A);
    module.setRegisterByte(0x75, 0x01);
    module.setRegisterByte(0x40, 0x21);
}

QStringList withoutRepeats(const QStringList& commands) {
    QStringList out;
    for (const QString& c : commands) {
        if (out.isEmpty() || out.last() != c)
            out << c;
    }
    return out;
}

QStringList sequenceCommands() {
    QStringList out;
    for (const ReadStep& step : ConnectReadSequence())
        out << QLatin1String(step.command);
    return out;
}

} // namespace

class TestConnectReadOverPty : public QObject {
    Q_OBJECT
private slots:
    void identifiesTheSimulatedModule_data();
    void identifiesTheSimulatedModule();
    void foreignName();
    void silentModuleIsReportedAndReadLater();
    void lineFaultsStillGiveTheRightValues_data();
    void lineFaultsStillGiveTheRightValues();
    void cliIdentify_data();
    void cliIdentify();
    void cliIdentifyFails_data();
    void cliIdentifyFails();
};

void TestConnectReadOverPty::identifiesTheSimulatedModule_data() {
    QTest::addColumn<bool>("fast");
    QTest::newRow("scaled ticks") << false;
    QTest::newRow("fast") << true;
}

void TestConnectReadOverPty::identifiesTheSimulatedModule() {
    QFETCH(bool, fast);
    Bench b(0.5, fast);
    QVERIFY(b.started);
    writeWorkedExamples(b.sim());
    QVERIFY(b.open());
    QSignalSpy identified(&b.read, &ConnectRead::identified);
    QSignalSpy foreign(&b.read, &ConnectRead::foreignModule);
    QSignalSpy noAnswer(&b.read, &ConnectRead::noAnswer);
    b.read.startRead();
    QVERIFY(identified.wait(20000));
    QCOMPARE(identified.at(0).at(0).toString(), QStringLiteral("Marvek-2"));
    QCOMPARE(foreign.size(), 0);
    QCOMPARE(noAnswer.size(), 0);
    QVERIFY(!b.read.isEnabled());

    const ModuleSettings& s = b.model.settings();
    QCOMPARE(s, expectedFor(b.sim()));
    QCOMPARE(s.Flags00, 0x81);
    QCOMPARE(s.KFuel, 181.0);
    QCOMPARE(s.PTN, 1.5);
    QCOMPARE(s.Porog_T, 10.0);
    QCOMPARE(s.OPR, 0.25);
    QCOMPARE(s.UPL, -0.07);
    QCOMPARE(s.FuelFlowDigits, (std::array<int, 4>{0xA, 0x3, 0x1, 0x0}));
    QVERIFY(b.readErrorLines().isEmpty());
    QVERIFY(b.journal.lines().contains(QStringLiteral("EEPROM-00 =  1000 0001")));
    // The module saw the 28 commands in order.
    QCOMPARE(withoutRepeats(b.sim().receivedCommands()), sequenceCommands());
}

void TestConnectReadOverPty::foreignName() {
    Bench b(0.5, true);
    QVERIFY(b.started);
    b.sim().state().setName("Other-01");
    QVERIFY(b.open());
    QSignalSpy identified(&b.read, &ConnectRead::identified);
    QSignalSpy foreign(&b.read, &ConnectRead::foreignModule);
    b.read.startRead();
    QVERIFY(foreign.wait(20000));
    QCOMPARE(foreign.at(0).at(0).toString(), QStringLiteral("Other-01"));
    QCOMPARE(identified.size(), 0);
    QCOMPARE(b.model.settings().ModuleName, QStringLiteral("Other-01"));
    QCOMPARE(b.model.settings(), expectedFor(b.sim()));
}

void TestConnectReadOverPty::silentModuleIsReportedAndReadLater() {
    Bench b(0.2); // Timer_Stop_Read after 1 s
    QVERIFY(b.started);
    b.sim().setSilent(true);
    QVERIFY(b.open());
    QSignalSpy identified(&b.read, &ConnectRead::identified);
    QSignalSpy noAnswer(&b.read, &ConnectRead::noAnswer);
    b.read.startRead();
    QVERIFY(noAnswer.wait(10000));
    QCOMPARE(noAnswer.size(), 1);
    QVERIFY(b.read.isEnabled()); // the read keeps trying
    QVERIFY(b.sim().receivedCommands().count(QStringLiteral("47%")) >= 3);
    QCOMPARE(b.engine.PendingCommand(), QStringLiteral("47%"));

    b.sim().setSilent(false); // the module is switched on
    QVERIFY(identified.wait(20000));
    QCOMPARE(noAnswer.size(), 1);
    QCOMPARE(b.model.settings(), expectedFor(b.sim()));
}

void TestConnectReadOverPty::lineFaultsStillGiveTheRightValues_data() {
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<sim::FaultRates>("rates");
    QTest::addColumn<bool>("fast");
    QTest::newRow("drops") << 11u << LineFaults(0.3, 0, 0, 0) << false;
    QTest::newRow("splits") << 12u << LineFaults(0, 0.5, 0, 0) << false;
    QTest::newRow("corruption") << 13u << LineFaults(0, 0, 0.2, 0) << false;
    QTest::newRow("lower case") << 14u << LineFaults(0, 0, 0, 0.3) << false;
    QTest::newRow("all together") << 15u << LineFaults(0.1, 0.2, 0.05, 0.1) << false;
    QTest::newRow("busy module") << 16u << BusyModule() << false;
    QTest::newRow("busy module, fast") << 17u << BusyModule() << true;
    QTest::newRow("late answers") << 18u << LateModule() << false;
    QTest::newRow("late answers, fast") << 19u << LateModule() << true;
}

void TestConnectReadOverPty::lineFaultsStillGiveTheRightValues() {
    QFETCH(quint32, seed);
    QFETCH(sim::FaultRates, rates);
    QFETCH(bool, fast);
    Bench b(0.5, fast); // a split answer's pieces come 5 ms apart, well within the 25 ms tick
    QVERIFY(b.started);
    writeWorkedExamples(b.sim());
    b.sim().setSeed(seed);
    b.sim().setFaults(rates);
    QVERIFY(b.open());
    QSignalSpy identified(&b.read, &ConnectRead::identified);
    b.read.startRead();
    QVERIFY(identified.wait(60000));
    QVERIFY(b.sim().receivedCommands().size() > 55); // the faults cost retries
    QCOMPARE(b.model.settings(), expectedFor(b.sim()));
    QVERIFY2(b.readErrorLines().isEmpty(), qPrintable(b.readErrorLines().join(u'\n')));
}

void TestConnectReadOverPty::cliIdentify_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("fast");
    // One read at the program's own pace.
    QTest::newRow("Marvek-2, real intervals") << QByteArray("Marvek-2") << false;
    QTest::newRow("Marvek-2, fast") << QByteArray("Marvek-2") << true;
    QTest::newRow("foreign module, fast") << QByteArray("Other-01") << true;
}

void TestConnectReadOverPty::cliIdentify() {
    QFETCH(QByteArray, name);
    QFETCH(bool, fast);
    Bench b(1.0);
    QVERIFY(b.started);
    writeWorkedExamples(b.sim());
    b.sim().state().setName(name);
    QStringList args{QStringLiteral("identify"), QStringLiteral("--port"), b.module.slavePath()};
    if (fast)
        args << QStringLiteral("--fast");
    CliRun cli;
    QVERIFY(cli.run(QStringLiteral(MARVEK2_CLI), args, 40000));
    QVERIFY2(cli.exitCode() == 0, cli.err.constData());

    const QByteArray out = cli.out;
    QVERIFY(out.endsWith('\n'));
    QCOMPARE(int(out.count('\n')), 1); // one JSON object
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(out, &parseError);
    QVERIFY2(parseError.error == QJsonParseError::NoError, out.constData());
    QVERIFY(doc.isObject());
    const QJsonObject o = doc.object();

    const ModuleSettings expected = expectedFor(b.sim());
    QCOMPARE(o.value("name").toString(), QString::fromLatin1(name));
    QCOMPARE(o.value("Flags00").toInt(-1), expected.Flags00);
    QCOMPARE(o.value("Flags01").toInt(-1), expected.Flags01);
    QCOMPARE(o.value("Flags1F").toInt(-1), expected.Flags1F);
    const std::pair<const char*, double> numbers[] = {
        {"KFuel", expected.KFuel},     {"PTN", expected.PTN},       {"NumBurn", expected.NumBurn},
        {"Porog_T", expected.Porog_T}, {"VolEng", expected.VolEng}, {"ZdK", expected.ZdK},
        {"UKZ", expected.UKZ},         {"OPR", expected.OPR},       {"UPL", expected.UPL},
        {"LUup", expected.LUup},       {"LUdown", expected.LUdown}};
    for (const auto& [key, value] : numbers) {
        QVERIFY2(o.value(key).isDouble(), key);
        QCOMPARE(o.value(key).toDouble(), value);
    }
    QCOMPARE(o.value("UPL").toDouble(), -0.07);
    QCOMPARE(o.value("PTN").toDouble(), 1.5);

    const QJsonArray flow = o.value("fuelFlowDigits").toArray();
    const QJsonArray counter = o.value("fuelCounterDigits").toArray();
    QCOMPARE(flow.size(), 4);
    QCOMPARE(counter.size(), 6);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(flow.at(i).toInt(-1), expected.FuelFlowDigits[i]);
    for (int i = 0; i < 6; ++i)
        QCOMPARE(counter.at(i).toInt(-1), expected.FuelCounterDigits[i]);
    QVERIFY(o.value("readErrors").isArray());
    QCOMPARE(o.value("readErrors").toArray().size(), 0);
}

void TestConnectReadOverPty::cliIdentifyFails_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("silent module, timeout") << "silent";
    QTest::newRow("module error") << "error";
    QTest::newRow("missing port") << "missing";
}

void TestConnectReadOverPty::cliIdentifyFails() {
    QFETCH(QString, how);
    Bench b(1.0);
    QVERIFY(b.started);
    QString path = b.module.slavePath();
    if (how == QLatin1String("silent")) {
        b.sim().setSilent(true);
    } else if (how == QLatin1String("error")) {
        sim::FaultRates rates;
        rates.error = 1.0;
        b.sim().setFaults(rates);
    } else {
        path = QStringLiteral("/dev/marvek2-no-such-port");
    }
    CliRun cli;
    QVERIFY(cli.run(QStringLiteral(MARVEK2_CLI),
                    {QStringLiteral("identify"), QStringLiteral("--port"), path,
                     QStringLiteral("--timeout"), QStringLiteral("1.5"), QStringLiteral("--fast")},
                    20000));
    QVERIFY(cli.exitCode() != 0);
    QCOMPARE(cli.out, QByteArray());
    QVERIFY(!cli.err.isEmpty());
}

QTEST_GUILESS_MAIN(TestConnectReadOverPty)
#include "tst_connect_read_over_pty.moc"
