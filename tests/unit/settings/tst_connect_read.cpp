#include "connect_read.h"
#include "journal_sink.h"
#include "memory_port.h"
#include "module_settings.h"
#include "settings_map.h"
#include "transaction_engine.h"
#include "wire_codec.h"

#include <QLocale>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <array>

namespace {

const EngineTexts texts{QStringLiteral("Sent:"), QStringLiteral("Got:"), QStringLiteral("No port"),
                        QStringLiteral("Module error"), QStringLiteral("late")};
const QString readErrorPrefix = QStringLiteral("Ошибка чтения. Адрес ");

QString shortest(double value) {
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

double field(const ModuleSettings& s, const QString& name) {
    const std::pair<const char*, double> fields[] = {{"KFuel", s.KFuel},
                                                     {"PTN", s.PTN},
                                                     {"NumBurn", s.NumBurn},
                                                     {"Porog_T", s.Porog_T},
                                                     {"VolEng", s.VolEng},
                                                     {"ZdK", s.ZdK},
                                                     {"UKZ", s.UKZ},
                                                     {"OPR", s.OPR},
                                                     {"UPL", s.UPL},
                                                     {"LUup", s.LUup},
                                                     {"LUdown", s.LUdown},
                                                     {"Flags00", double(s.Flags00)},
                                                     {"Flags01", double(s.Flags01)},
                                                     {"Flags1F", double(s.Flags1F)}};
    for (const auto& [key, value] : fields) {
        if (name == QLatin1String(key))
            return value;
    }
    qFatal("no such field");
}

// Engine, in-memory port, settings model and the read, with ticks driven by the test. The module
// behind the port is a memory image that answers every read correctly unless a test says otherwise.
struct Rig {
    Rig() {
        port.OpenPort();
        engine.setTexts(texts);
        engine.setAutomaticTicks(false);
        eeprom.fill(0);
        registers.fill(0);
        eeprom[0x00] = 0x11;
        eeprom[0x01] = 0x04;
        eeprom[0x04] = 100;
        eeprom[0x08] = 155;
        eeprom[0x09] = 4;
        eeprom[0x0A] = 26;
        eeprom[0x0F] = 16;
        eeprom[0x17] = 21;
        eeprom[0x1B] = 0x82;
        eeprom[0x1D] = 51;
        eeprom[0x1E] = 119;
        eeprom[0x1F] = 0xA0;
        eeprom[0x20] = 0x1C;
        eeprom[0x21] = 0x38;
        setName("Marvek-2");
        registers[0x74] = 0x3A;
        registers[0x75] = 0x01;
        registers[0x40] = 0x21;
        registers[0x41] = 0x43;
        registers[0x42] = 0x65;
    }

    void setName(const QByteArray& name) {
        for (int i = 0; i < 8; ++i)
            eeprom[0x78 + i] = quint8(name.at(i));
    }

    // What the module answers to a read command.
    QString answerFor(const QString& command) const {
        const int address = wire::DecodeByte(command).value_or(0);
        const int value = command.endsWith(QLatin1Char('*')) ? eeprom[address] : registers[address];
        return wire::ValueToSend(value);
    }

    // One tick, then the answer (if any) in one receive event.
    void exchange(const QString& answer) {
        read.tick();
        if (!answer.isEmpty())
            port.feed(answer);
    }

    // Answers correctly until the read is about to send command.
    void advanceTo(const QString& command) {
        for (int i = 0; i < 500 && engine.PendingCommand() != command; ++i)
            exchange(answerFor(engine.PendingCommand()));
        QCOMPARE(engine.PendingCommand(), command);
    }

    void runToEnd() {
        for (int i = 0; i < 2000 && read.isEnabled(); ++i)
            exchange(answerFor(engine.PendingCommand()));
    }

    QStringList linesStartingWith(const QString& prefix) const {
        QStringList found;
        for (const QString& line : journal.lines()) {
            if (line.startsWith(prefix))
                found << line;
        }
        return found;
    }

    MemoryPort port;
    StringListJournal journal;
    TransactionEngine engine{port, journal};
    ModuleSettingsModel model;
    ConnectRead read{engine, model};
    std::array<int, 256> eeprom;
    std::array<int, 256> registers;
};

} // namespace

class TestConnectRead : public QObject {
    Q_OBJECT
private slots:
    void startSetsTheReadState();
    void confirmation_data();
    void confirmation();
    void answerSplitWithinOneTickIsOneAnswer();
    void numericSettings_data();
    void numericSettings();
    void attemptLimitMovesToTheNextCommand();
    void attemptLimitWithDamagedAnswersLeavesTheValueUnknown();
    void bitFieldBytes_data();
    void bitFieldBytes();
    void damagedBitFieldAnswerLeavesTheByteUnknown();
    void wholeReadIdentifiesTheModule();
    void answerToC7StopsTimerStopRead();
    void timerStopReadReportsNoAnswerAndTheReadGoesOn();
    void foreignName_data();
    void foreignName();
    void damagedLastNameCharacterLeavesTheModuleUnidentified();
    void secondReadStartsClean_data();
    void secondReadStartsClean();
    void moduleErrorStopsTheReadAndTimerStopRead();
    void closedPortSkipsTheWrite();
};

void TestConnectRead::startSetsTheReadState() {
    Rig rig;
    rig.read.startRead();
    QCOMPARE(rig.engine.PendingCommand(), QStringLiteral("47%"));
    QCOMPARE(rig.read.AttemptCount(), 1);
    QCOMPARE(rig.read.AttemptLimit(), 15);
    QCOMPARE(rig.read.CurrentAnswer(), QStringLiteral("No"));
    QVERIFY(rig.read.isEnabled());
    QVERIFY(rig.read.stopReadTimer().isActive());
    QCOMPARE(rig.read.stopReadTimer().interval(), 5000);
    QCOMPARE(rig.read.stopReadTimer().objectName(), QStringLiteral("Timer_Stop_Read"));
    QCOMPARE(rig.read.timerName(), QStringLiteral("Timer_Read_Double"));
    QCOMPARE(rig.read.interval(), 50);
    QVERIFY(rig.read.advancesProgress());
    QVERIFY(rig.port.writes.isEmpty()); // nothing before the first tick
    rig.read.tick();
    QCOMPARE(rig.port.writes, QStringList({"47%"}));
    // Ticks without an answer count no attempt.
    rig.read.tick();
    rig.read.tick();
    QCOMPARE(rig.read.AttemptCount(), 1);
}

void TestConnectRead::confirmation_data() {
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("pending"); // PendingCommand after each answer
    QTest::addColumn<QString>("kfuel"); // empty: unknown, the value from before the read is gone

    QTest::newRow("5A 5B 5B: third answer accepted")
        << QStringList{"5A", "5B", "5B"} << QStringList{"40*", "40*", "90*"} << "181";
    QTest::newRow("5A 5A: second answer accepted")
        << QStringList{"5A", "5A"} << QStringList{"40*", "90*"} << "165";
    QTest::newRow("5Z twice never confirms, KFuel unknown")
        << QStringList{"5Z", "5Z", "5Z"} << QStringList{"40*", "40*", "40*"} << "";
    QTest::newRow("lower case never confirms")
        << QStringList{"5a", "5a", "5a"} << QStringList{"40*", "40*", "40*"} << "";
    QTest::newRow("extra character never confirms")
        << QStringList{"5A!", "5A!"} << QStringList{"40*", "40*"} << "";
    QTest::newRow("damaged, then two good")
        << QStringList{"5Z", "5A", "5A"} << QStringList{"40*", "40*", "90*"} << "165";
    QTest::newRow("a damaged answer keeps the last good one")
        << QStringList{"5A", "5Z", "ZZ"} << QStringList{"40*", "40*", "40*"} << "165";
}

void TestConnectRead::confirmation() {
    QFETCH(QStringList, answers);
    QFETCH(QStringList, pending);
    QFETCH(QString, kfuel);
    Rig rig;
    rig.model.edit([](ModuleSettings& s) { s.KFuel = 42; });
    rig.read.startRead();
    rig.advanceTo(QStringLiteral("40*"));
    QStringList seen;
    for (const QString& answer : answers) {
        rig.exchange(answer);
        seen << rig.engine.PendingCommand();
    }
    QCOMPARE(seen, pending);
    QCOMPARE(rig.model.settings().isKnown(0x04), !kfuel.isEmpty());
    if (!kfuel.isEmpty())
        QCOMPARE(shortest(rig.model.settings().KFuel), kfuel);
    else
        QCOMPARE(rig.model.settings().KFuel, 0.0);
    QCOMPARE(rig.read.CurrentAnswer(), answers.last());
    QVERIFY(rig.linesStartingWith(readErrorPrefix).isEmpty());
}

void TestConnectRead::answerSplitWithinOneTickIsOneAnswer() {
    Rig rig;
    rig.read.startRead();
    rig.advanceTo(QStringLiteral("40*"));
    rig.read.tick();
    rig.port.feed(QStringLiteral("5"));
    rig.port.feed(QStringLiteral("A"));
    QCOMPARE(rig.read.CurrentAnswer(), QStringLiteral("5A"));
    QCOMPARE(rig.read.PreviousAnswer(), QStringLiteral("5"));
    QCOMPARE(rig.read.AttemptCount(), 3); // two answer events, neither confirms
    QCOMPARE(rig.model.settings().KFuel, 165.0);
    rig.exchange(QStringLiteral("5A"));
    QCOMPARE(rig.engine.PendingCommand(), QStringLiteral("90*"));
}

void TestConnectRead::numericSettings_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("value");

    QTest::newRow("KFuel 181") << "40*"
                               << "5B"
                               << "KFuel"
                               << "181";
    QTest::newRow("PTN: answer A5 (b 90)") << "80*"
                                           << "A5"
                                           << "PTN"
                                           << "0.9";
    QTest::newRow("PTN: b 170") << "80*"
                                << "AA"
                                << "PTN"
                                << "1.7";
    QTest::newRow("PTN: b 155") << "80*"
                                << "B9"
                                << "PTN"
                                << "1.5";
    QTest::newRow("NumBurn 4") << "90*"
                               << "40"
                               << "NumBurn"
                               << "4";
    QTest::newRow("NumBurn 9") << "90*"
                               << "90"
                               << "NumBurn"
                               << "9";
    QTest::newRow("ZdK: b 20") << "71*"
                               << "41"
                               << "ZdK"
                               << "10";
    QTest::newRow("Porog_T: b 26") << "A0*"
                                   << "A1"
                                   << "Porog_T"
                                   << "10";
    QTest::newRow("VolEng: b 16") << "F0*"
                                  << "01"
                                  << "VolEng"
                                  << "1.6";
    QTest::newRow("UKZ: b 0x82") << "B1*"
                                 << "28"
                                 << "UKZ"
                                 << "0.02";
    QTest::newRow("OPR: b 50") << "D1*"
                               << "23"
                               << "OPR"
                               << "0.25";
    QTest::newRow("OPR: b 51") << "D1*"
                               << "33"
                               << "OPR"
                               << "0.25";
    QTest::newRow("UPL: b 119") << "E1*"
                                << "77"
                                << "UPL"
                                << "-0.07";
    QTest::newRow("UPL: b 128") << "E1*"
                                << "08"
                                << "UPL"
                                << "0";
    QTest::newRow("LUup: b 0x1C") << "02*"
                                  << "C1"
                                  << "LUup"
                                  << "0.28";
    QTest::newRow("LUdown: b 0x38") << "12*"
                                    << "83"
                                    << "LUdown"
                                    << "0.56";
}

void TestConnectRead::numericSettings() {
    QFETCH(QString, command);
    QFETCH(QString, answer);
    QFETCH(QString, setting);
    QFETCH(QString, value);
    Rig rig;
    rig.read.startRead();
    rig.advanceTo(command);
    rig.exchange(answer);
    rig.exchange(answer);
    QVERIFY(rig.engine.PendingCommand() != command);
    const double decoded = field(rig.model.settings(), setting);
    QCOMPARE(shortest(decoded), value);
    QVERIFY(decoded == value.toDouble());
}

void TestConnectRead::attemptLimitMovesToTheNextCommand() {
    Rig rig;
    QSignalSpy readError(&rig.read, &ConnectRead::readError);
    rig.read.startRead();
    rig.advanceTo(QStringLiteral("E1*"));
    const QStringList answers = {"00", "10", "20", "30", "40", "50", "60", "70",
                                 "80", "90", "A0", "B0", "C0", "D0", "E0"};
    for (int i = 0; i < 14; ++i)
        rig.exchange(answers[i]);
    QCOMPARE(rig.engine.PendingCommand(), QStringLiteral("E1*"));
    QCOMPARE(rig.read.AttemptCount(), 15);
    QVERIFY(rig.linesStartingWith(readErrorPrefix).isEmpty());

    rig.exchange(answers[14]);
    QCOMPARE(rig.linesStartingWith(readErrorPrefix), QStringList({readErrorPrefix + "E1"}));
    QCOMPARE(rig.engine.PendingCommand(), QStringLiteral("F1*"));
    QCOMPARE(rig.read.AttemptCount(), 1);
    QCOMPARE(readError.size(), 1);
    QCOMPARE(readError.at(0).at(0).toString(), QStringLiteral("E1"));
    QCOMPARE(rig.read.readErrors(), QStringList({"E1"}));
    // The error line comes before the traffic line of the same receive event.
    QCOMPARE(rig.journal.lines().mid(rig.journal.lines().size() - 2),
             QStringList({readErrorPrefix + "E1", "Sent: E1*   Got: E0"}));
    // The last answer's value stays: E0 is 0x0E.
    QCOMPARE(shortest(rig.model.settings().UPL), QStringLiteral("-0.95"));

    rig.runToEnd();
    QCOMPARE(rig.linesStartingWith(readErrorPrefix).size(), 1);
    QCOMPARE(rig.model.settings().Flags1F, 0xA0);
}

void TestConnectRead::attemptLimitWithDamagedAnswersLeavesTheValueUnknown() {
    Rig rig;
    rig.model.edit([](ModuleSettings& s) { s.KFuel = 42; });
    rig.read.startRead();
    rig.advanceTo(QStringLiteral("40*"));
    for (int i = 0; i < 15; ++i)
        rig.exchange(QStringLiteral("5Z"));
    QCOMPARE(rig.linesStartingWith(readErrorPrefix), QStringList({readErrorPrefix + "40"}));
    QCOMPARE(rig.engine.PendingCommand(), QStringLiteral("90*"));
    QCOMPARE(rig.model.settings().KFuel, 0.0); // never the value from before this read
    QVERIFY(!rig.model.settings().isKnown(0x04));
}

void TestConnectRead::bitFieldBytes_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("setting");
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("line");
    QTest::newRow("0x81 in EEPROM-00") << "00*"
                                       << "18"
                                       << "Flags00" << 0x81 << "EEPROM-00 =  1000 0001";
    QTest::newRow("EEPROM-01") << "10*"
                               << "40"
                               << "Flags01" << 0x04 << "EEPROM-01 =  0010 0000";
    QTest::newRow("EEPROM-1F") << "F1*"
                               << "0A"
                               << "Flags1F" << 0xA0 << "EEPROM-1F = 0000 0101";
}

void TestConnectRead::bitFieldBytes() {
    QFETCH(QString, command);
    QFETCH(QString, answer);
    QFETCH(QString, setting);
    QFETCH(int, byte);
    QFETCH(QString, line);
    Rig rig;
    rig.read.startRead();
    rig.advanceTo(command);
    rig.journal.clear();
    rig.exchange(answer);
    rig.exchange(answer);
    QCOMPARE(int(field(rig.model.settings(), setting)), byte);
    // One line on every answer event, before its traffic line.
    const QString traffic = QStringLiteral("Sent: %1   Got: %2").arg(command, answer);
    QCOMPARE(rig.journal.lines(), QStringList({line, traffic, line, traffic}));
    if (setting == QLatin1String("Flags00")) {
        QVERIFY(rig.model.flags00().System); // "off" pressed
        QVERIFY(rig.model.flags00().DP);     // water pressure controls shown
    }
}

void TestConnectRead::damagedBitFieldAnswerLeavesTheByteUnknown() {
    Rig rig;
    rig.model.edit([](ModuleSettings& s) { s.Flags00 = 0x11; });
    rig.read.startRead();
    rig.advanceTo(QStringLiteral("00*"));
    rig.journal.clear();
    rig.exchange(QStringLiteral("1z"));
    rig.exchange(QStringLiteral("1z"));
    QCOMPARE(rig.model.settings().Flags00, 0); // unknown, not the byte from before the read
    QVERIFY(!rig.model.settings().isKnown(0x00));
    QCOMPARE(rig.journal.lines(), QStringList({"Sent: 00*   Got: 1z", "Sent: 00*   Got: 1z"}));
    QCOMPARE(rig.engine.PendingCommand(), QStringLiteral("00*"));
}

void TestConnectRead::wholeReadIdentifiesTheModule() {
    Rig rig;
    QSignalSpy identified(&rig.read, &ConnectRead::identified);
    QSignalSpy foreign(&rig.read, &ConnectRead::foreignModule);
    QSignalSpy noAnswer(&rig.read, &ConnectRead::noAnswer);
    QSignalSpy range(&rig.engine, &TransactionEngine::progressRangeChanged);
    QSignalSpy progress(&rig.engine, &TransactionEngine::progressChanged);
    QSignalSpy changed(&rig.model, &ModuleSettingsModel::settingsChanged);
    rig.read.startRead();
    rig.runToEnd();

    QVERIFY(!rig.read.isEnabled());
    QCOMPARE(identified.size(), 1);
    QCOMPARE(identified.at(0).at(0).toString(), QStringLiteral("Marvek-2"));
    QCOMPARE(foreign.size(), 0);
    QCOMPARE(noAnswer.size(), 0);
    QVERIFY(!rig.read.stopReadTimer().isActive());
    QVERIFY(changed.size() > 0);

    // Every command twice, in order; the first answer to "2A%" completes the read.
    QStringList expected;
    for (const auto& step : settings_map::ConnectReadSequence())
        expected << QLatin1String(step.command) << QLatin1String(step.command);
    expected.removeLast();
    QCOMPARE(rig.port.writes, expected);

    const ModuleSettings& s = rig.model.settings();
    QCOMPARE(s.ModuleName, QStringLiteral("Marvek-2"));
    QCOMPARE(s.FuelFlowDigits, (std::array<int, 4>{0xA, 0x3, 0x1, 0x0}));
    QCOMPARE(s.FuelCounterDigits, (std::array<int, 6>{0x1, 0x2, 0x3, 0x4, 0x5, 0x6}));
    QCOMPARE(s.Flags00, 0x11);
    QCOMPARE(s.Flags01, 0x04);
    QCOMPARE(s.Flags1F, 0xA0);
    QCOMPARE(shortest(s.KFuel), QStringLiteral("100"));
    QCOMPARE(shortest(s.PTN), QStringLiteral("1.5"));
    QCOMPARE(shortest(s.NumBurn), QStringLiteral("4"));
    QCOMPARE(shortest(s.Porog_T), QStringLiteral("10"));
    QCOMPARE(shortest(s.VolEng), QStringLiteral("1.6"));
    QCOMPARE(shortest(s.ZdK), QStringLiteral("10"));
    QCOMPARE(shortest(s.UKZ), QStringLiteral("0.02"));
    QCOMPARE(shortest(s.OPR), QStringLiteral("0.25"));
    QCOMPARE(shortest(s.UPL), QStringLiteral("-0.07"));
    QCOMPARE(shortest(s.LUup), QStringLiteral("0.28"));
    QCOMPARE(shortest(s.LUdown), QStringLiteral("0.56"));

    // Progress: 0..60 set on every answer to "47%"; then one step per tick; 0 at the end.
    QVERIFY(range.size() >= 2);
    QCOMPARE(range.at(0).at(0).toInt(), 0);
    QCOMPARE(range.at(0).at(1).toInt(), 60);
    int highest = 0;
    for (const auto& args : progress)
        highest = std::max(highest, args.at(0).toInt());
    QCOMPARE(highest, 53); // 55 ticks, the first two followed by a reset
    QCOMPARE(rig.engine.progress(), 0);

    QVERIFY(rig.linesStartingWith(readErrorPrefix).isEmpty());
    QCOMPARE(rig.linesStartingWith(QStringLiteral("EEPROM-")).size(), 6);
    QCOMPARE(rig.linesStartingWith(QStringLiteral("Sent:")).size(), 55);
}

void TestConnectRead::answerToC7StopsTimerStopRead() {
    Rig rig;
    rig.read.startRead();
    rig.advanceTo(QStringLiteral("C7*"));
    QVERIFY(rig.read.stopReadTimer().isActive());
    rig.exchange(QStringLiteral("ZZ")); // any answer, even a damaged one
    QVERIFY(!rig.read.stopReadTimer().isActive());
    QCOMPARE(rig.engine.PendingCommand(), QStringLiteral("C7*"));
}

void TestConnectRead::timerStopReadReportsNoAnswerAndTheReadGoesOn() {
    Rig rig;
    rig.engine.setIntervalScale(0.01); // Timer_Stop_Read fires after 50 ms
    QSignalSpy noAnswer(&rig.read, &ConnectRead::noAnswer);
    QSignalSpy identified(&rig.read, &ConnectRead::identified);
    rig.read.startRead();
    QCOMPARE(rig.read.stopReadTimer().interval(), 50);
    rig.read.tick();
    rig.read.tick();
    QVERIFY(noAnswer.wait(2000));
    QCOMPARE(noAnswer.size(), 1);
    QVERIFY(!rig.read.stopReadTimer().isActive());
    QVERIFY(rig.read.isEnabled());
    QCOMPARE(rig.engine.PendingCommand(), QStringLiteral("47%"));

    rig.runToEnd();
    QCOMPARE(identified.size(), 1);
    QCOMPARE(noAnswer.size(), 1);
}

void TestConnectRead::foreignName_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("another product") << QByteArray("Other-01");
    QTest::newRow("eight blanks") << QByteArray("        ");
    QTest::newRow("family name in lower case") << QByteArray("marvek-2");
}

void TestConnectRead::foreignName() {
    QFETCH(QByteArray, name);
    Rig rig;
    rig.setName(name);
    QSignalSpy identified(&rig.read, &ConnectRead::identified);
    QSignalSpy foreign(&rig.read, &ConnectRead::foreignModule);
    rig.read.startRead();
    rig.runToEnd();
    QCOMPARE(identified.size(), 0);
    QCOMPARE(foreign.size(), 1);
    QCOMPARE(foreign.at(0).at(0).toString(), QString::fromLatin1(name));
    QCOMPARE(rig.model.settings().ModuleName, QString::fromLatin1(name));
    QVERIFY(!rig.read.isEnabled());
}

void TestConnectRead::damagedLastNameCharacterLeavesTheModuleUnidentified() {
    Rig rig;
    QSignalSpy identified(&rig.read, &ConnectRead::identified);
    QSignalSpy foreign(&rig.read, &ConnectRead::foreignModule);
    QSignalSpy unidentified(&rig.read, &ConnectRead::unidentified);
    rig.read.startRead();
    rig.advanceTo(QStringLiteral("F7*"));
    for (int i = 0; i < 15; ++i)
        rig.exchange(QStringLiteral("Z2"));
    QCOMPARE(rig.linesStartingWith(readErrorPrefix), QStringList({readErrorPrefix + "F7"}));
    QCOMPARE(rig.engine.PendingCommand(), QStringLiteral("2A%"));

    rig.exchange(QStringLiteral("00")); // no name yet: "2A%" goes on to its confirmation
    QVERIFY(rig.read.isEnabled());
    QCOMPARE(unidentified.size(), 0);
    rig.exchange(QStringLiteral("00"));
    QVERIFY(!rig.read.isEnabled());
    QCOMPARE(unidentified.size(), 1);
    QCOMPARE(identified.size(), 0);
    QCOMPARE(foreign.size(), 0);
    QCOMPARE(rig.model.settings().ModuleName, QString());
}

void TestConnectRead::secondReadStartsClean_data() {
    QTest::addColumn<QString>("damaged"); // the command whose answers never arrive intact
    QTest::addColumn<bool>("identifies");
    QTest::addColumn<int>("unknownAddress");
    QTest::newRow("first name character") << "87*" << false << 0x78;
    QTest::newRow("sixth name character") << "D7*" << false << 0x7D;
    QTest::newRow("seventh name character") << "E7*" << false << 0x7E;
    QTest::newRow("last name character") << "F7*" << false << 0x7F;
    QTest::newRow("EEPROM-00") << "00*" << true << 0x00;
    QTest::newRow("KFuel") << "40*" << true << 0x04;
}

void TestConnectRead::secondReadStartsClean() {
    QFETCH(QString, damaged);
    QFETCH(bool, identifies);
    QFETCH(int, unknownAddress);
    Rig rig;
    rig.read.startRead();
    rig.runToEnd();
    QCOMPARE(rig.model.settings().ModuleName, QStringLiteral("Marvek-2"));
    QVERIFY(rig.model.settings().isKnown(unknownAddress));

    // Another module whose byte cannot be read: nothing of the first module stands in for it.
    rig.setName("Marvek-2");
    rig.eeprom[0x00] = 0x81;
    rig.eeprom[0x04] = 200;
    QSignalSpy identified(&rig.read, &ConnectRead::identified);
    QSignalSpy unidentified(&rig.read, &ConnectRead::unidentified);
    rig.read.startRead();
    QCOMPARE(rig.model.settings().ModuleName, QString());
    rig.advanceTo(damaged);
    for (int i = 0; i < 15; ++i)
        rig.exchange(QStringLiteral("8z"));
    rig.runToEnd();
    QVERIFY(!rig.read.isEnabled());
    QCOMPARE(rig.read.readErrors(), QStringList({damaged.left(2)}));
    const ModuleSettings& s = rig.model.settings();
    QVERIFY(!s.isKnown(unknownAddress));
    QCOMPARE(identified.size(), identifies ? 1 : 0);
    QCOMPARE(unidentified.size(), identifies ? 0 : 1);
    if (identifies) {
        QCOMPARE(s.ModuleName, QStringLiteral("Marvek-2"));
    } else {
        QCOMPARE(s.ModuleName, QString());
        QVERIFY(!rig.read.nameComplete());
        QCOMPARE(rig.read.nameCharacters().at(unknownAddress - 0x78), QLatin1Char(' '));
    }
    // The unknown byte holds no value of the first module; the others are this module's.
    if (unknownAddress == 0x00)
        QCOMPARE(s.Flags00, 0);
    else
        QCOMPARE(s.Flags00, 0x81);
    if (unknownAddress == 0x04)
        QCOMPARE(s.KFuel, 0.0);
    else
        QCOMPARE(s.KFuel, 200.0);
}

void TestConnectRead::moduleErrorStopsTheReadAndTimerStopRead() {
    Rig rig;
    QSignalSpy error(&rig.engine, &TransactionEngine::moduleError);
    rig.read.startRead();
    rig.advanceTo(QStringLiteral("00*"));
    rig.exchange(QStringLiteral("*"));
    QCOMPARE(error.size(), 1);
    QVERIFY(!rig.read.isEnabled());
    QVERIFY(!rig.read.stopReadTimer().isActive());
}

void TestConnectRead::closedPortSkipsTheWrite() {
    Rig rig;
    rig.read.startRead();
    rig.port.ClosePort();
    rig.read.tick();
    rig.read.tick();
    QVERIFY(rig.port.writes.isEmpty());
    QVERIFY(rig.read.isEnabled());
    QCOMPARE(rig.engine.SentCommand(), QStringLiteral("47%"));
}

QTEST_GUILESS_MAIN(TestConnectRead)
#include "tst_connect_read.moc"
