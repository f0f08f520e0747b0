// Tests of the module simulator against the wire protocol, its line faults and its pseudo-terminal.

#include "codec.h"
#include "engine_model.h"
#include "module.h"
#include "pty_module.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

using sim::Codec;
using sim::FaultRates;
using sim::Module;

namespace {

// Collects the answer chunks of a module with the time each arrived.
struct Listener {
    explicit Listener(Module& module) {
        clock.start();
        QObject::connect(&module, &Module::answerReady, [this](const QByteArray& chunk) {
            chunks.append(chunk);
            times.append(clock.elapsed());
        });
    }
    QByteArray all() const { return chunks.join(); }

    QElapsedTimer clock;
    QList<QByteArray> chunks;
    QList<qint64> times;
};

// A module with a frozen engine, so live registers only change when a test changes them.
struct Quiet {
    Quiet() { module.setEngineEnabled(false); }
    QByteArray ask(const QByteArray& command) {
        const qsizetype before = listener.chunks.size();
        module.receive(command);
        return listener.chunks.mid(before).join();
    }
    Module module;
    Listener listener{module};
};

} // namespace

class TestSimModule : public QObject {
    Q_OBJECT

private slots:
    void codecByte_data();
    void codecByte();
    void codecWord();
    void batchAnswerLength_data();
    void batchAnswerLength();
    void eepromWrite_data();
    void eepromWrite();
    void writeThenRead();
    void registerWordWeighting();
    void fuelCounterReset();
    void invalidCommand_data();
    void invalidCommand();
    void junkWithoutTerminator();
    void commandSplitOverArrivals();
    void receivedCommandsRecordGroups();
    void silentModule();
    void fault_data();
    void fault();
    void faultsRepeatWithSeed();
    void engineMovesPlausibly();
    void engineRepeatsWithSeed();
    void imageRoundTrip();
    void imageFormats();
    void ptyExchange();
};

void TestSimModule::codecByte_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("zero") << 0x00 << QByteArray("00");
    QTest::newRow("address 1F") << 0x1F << QByteArray("F1");
    QTest::newRow("value 3A") << 0x3A << QByteArray("A3");
    QTest::newRow("85") << 0x85 << QByteArray("58");
    QTest::newRow("FF") << 0xFF << QByteArray("FF");
}

void TestSimModule::codecByte() {
    QFETCH(int, value);
    QFETCH(QByteArray, wire);
    QCOMPARE(Codec::byteToWire(quint8(value)), wire);
    QCOMPARE(Codec::wireToByte(wire), value);
}

void TestSimModule::codecWord() {
    QCOMPARE(Codec::wordToWire(0x1234), QByteArray("4321"));
    QCOMPARE(Codec::hexDigit('a'), -1);
    QCOMPARE(Codec::hexDigit('F'), 15);
    QCOMPARE(Codec::wireToByte("a3"), -1);
}

void TestSimModule::batchAnswerLength_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("length");
    QTest::addColumn<QList<int>>("separators"); // 1-based positions
    QTest::newRow("23%03&65&") << QByteArray("23%03&65&") << 13 << QList<int>{3, 8, 13};
    QTest::newRow("04%14&96%D6%") << QByteArray("04%14&96%D6%") << 14 << QList<int>{3, 8, 11, 14};
    QTest::newRow("2A&4A&6A&AA&") << QByteArray("2A&4A&6A&AA&") << 20 << QList<int>{5, 10, 15, 20};
    QTest::newRow("74&AA&23%96%") << QByteArray("74&AA&23%96%") << 16 << QList<int>{5, 10, 13, 16};
    QTest::newRow("single byte") << QByteArray("00*") << 2 << QList<int>{};
    QTest::newRow("single word") << QByteArray("47&") << 4 << QList<int>{};
}

void TestSimModule::batchAnswerLength() {
    QFETCH(QByteArray, command);
    QFETCH(int, length);
    QFETCH(QList<int>, separators);
    Quiet q;
    const QByteArray answer = q.ask(command);
    QCOMPARE(answer.size(), length);
    for (int i = 1; i <= answer.size(); ++i) {
        const char c = answer.at(i - 1);
        if (separators.contains(i))
            QCOMPARE(c, Module::kSeparator);
        else
            QVERIFY2(Codec::hexDigit(c) >= 0, answer.constData());
    }
}

void TestSimModule::eepromWrite_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("value");
    QTest::newRow("training register cleared") << QByteArray("00A1)") << 0x1A << 0x00;
    QTest::newRow("flags byte") << QByteArray("5800)") << 0x00 << 0x85;
    QTest::newRow("lambda rise rate") << QByteArray("C102)") << 0x20 << 0x1C;
    QTest::newRow("water table cell") << QByteArray("A1F8)") << 0x8F << 0x1A;
}

void TestSimModule::eepromWrite() {
    QFETCH(QByteArray, command);
    QFETCH(int, address);
    QFETCH(int, value);
    Quiet q;
    q.module.state().setEeprom(address, quint8(value ^ 0xFF));
    QCOMPARE(q.ask(command), QByteArray("!"));
    QCOMPARE(int(quint8(q.module.eeprom().at(address))), value);
}

void TestSimModule::writeThenRead() {
    Quiet q;
    QCOMPARE(q.ask("5800)"), QByteArray("!"));
    QCOMPARE(q.ask("00*"), QByteArray("58"));
    QCOMPARE(q.ask("87*"), QByteArray("D4")); // 'M' of the name at 0x78
}

void TestSimModule::registerWordWeighting() {
    Quiet q;
    q.module.setRegisterByte(0x10, 0x34);
    q.module.setRegisterByte(0x11, 0x12);
    const QByteArray answer = q.ask("01&");
    QCOMPARE(answer, QByteArray("4321"));
    int value = 0;
    for (int k = 0; k < 4; ++k)
        value += Codec::hexDigit(answer.at(k)) << (4 * k);
    QCOMPARE(value, 0x1234);
    QCOMPARE(q.ask("01%"), QByteArray("43"));
    QCOMPARE(q.ask("C701$"), QByteArray("!"));
    QCOMPARE(int(q.module.registerByte(0x10)), 0x7C);
}

void TestSimModule::fuelCounterReset() {
    Quiet q;
    q.module.stepEngine(60000);
    const auto counter = [&] {
        return q.module.registerByte(0x40) | q.module.registerByte(0x41) << 8 |
               q.module.registerByte(0x42) << 16;
    };
    QVERIFY(counter() > 0);
    for (const char* cmd : {"0004$", "0014$", "0024$"})
        QCOMPARE(q.ask(cmd), QByteArray("!"));
    QCOMPARE(counter(), 0);
    q.module.stepEngine(5000);
    QVERIFY(counter() > 0);
}

void TestSimModule::invalidCommand_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::newRow("letters") << QByteArray("ZZ*");
    QTest::newRow("lower case") << QByteArray("a0*");
    QTest::newRow("three digits") << QByteArray("123*");
    QTest::newRow("short write") << QByteArray("00)");
    QTest::newRow("bad register write") << QByteArray("0G04$");
    QTest::newRow("bare terminator") << QByteArray("%");
}

void TestSimModule::invalidCommand() {
    QFETCH(QByteArray, command);
    Quiet q;
    const QByteArray before = q.module.eeprom();
    QCOMPARE(q.ask(command), QByteArray("*"));
    QCOMPARE(q.module.eeprom(), before);
}

void TestSimModule::junkWithoutTerminator() {
    Quiet q;
    QCOMPARE(q.ask("ZZ"), QByteArray());
    QTRY_COMPARE_WITH_TIMEOUT(q.listener.all(), QByteArray("*"), 500);
    QCOMPARE(q.module.receivedCommands(), QStringList{"ZZ"});
    QCOMPARE(q.ask("00*"), QByteArray("11")); // the junk is gone
}

void TestSimModule::commandSplitOverArrivals() {
    Quiet q;
    QCOMPARE(q.ask("8"), QByteArray());
    QCOMPARE(q.ask("7*"), QByteArray("D4"));
    QCOMPARE(q.module.receivedCommands(), QStringList{"87*"});
}

void TestSimModule::receivedCommandsRecordGroups() {
    Quiet q;
    q.ask("00*");
    q.ask("23%03&65&");
    q.ask("5800)");
    QCOMPARE(q.module.receivedCommands(), (QStringList{"00*", "23%03&65&", "5800)"}));
    q.module.clearReceivedCommands();
    QVERIFY(q.module.receivedCommands().isEmpty());
}

void TestSimModule::silentModule() {
    Quiet q;
    q.module.setSilent(true);
    QCOMPARE(q.ask("0000)"), QByteArray());
    QCOMPARE(int(quint8(q.module.eeprom().at(0))), 0); // still executed
    QCOMPARE(q.module.receivedCommands(), QStringList{"0000)"});
    QTest::qWait(50);
    QVERIFY(q.listener.chunks.isEmpty());
}

void TestSimModule::fault_data() {
    QTest::addColumn<QString>("kind");
    for (const char* kind : {"drop", "lower", "error", "split", "corrupt", "delay", "busy"})
        QTest::newRow(kind) << QString::fromLatin1(kind);
}

void TestSimModule::fault() {
    QFETCH(QString, kind);
    Quiet q;
    q.module.state().setRegWord(0x10, 0xABCD);
    const QByteArray clean = q.ask("01&");
    QCOMPARE(clean, QByteArray("DCBA"));
    q.listener.chunks.clear();
    q.listener.times.clear();

    FaultRates rates;
    rates.delayMs = 80;
    if (kind == "drop")
        rates.drop = 1;
    else if (kind == "lower")
        rates.lower = 1;
    else if (kind == "error")
        rates.error = 1;
    else if (kind == "split")
        rates.split = 1;
    else if (kind == "corrupt")
        rates.corrupt = 1;
    else if (kind == "delay")
        rates.delay = 1;
    else
        rates.busy = 1;
    rates.busyMs = 80;
    q.module.setFaults(rates);
    const qint64 sentAt = q.listener.clock.elapsed();
    q.module.receive("01&");
    if (kind == "busy") {
        // Busy before every command: the write waits behind the read, the second read behind
        // the write, and the answers follow in order.
        q.module.receive("FF01$");
        q.module.receive("01%");
        QTRY_COMPARE_WITH_TIMEOUT(q.listener.all(), QByteArray("DCBA!FF"), 2000);
        QCOMPARE(q.listener.times.size(), 3);
        for (int i = 0; i < 3; ++i)
            QVERIFY(q.listener.times.at(i) - sentAt >= (i + 1) * rates.busyMs);
        return;
    }
    QTest::qWait(kind == "delay" ? 150 : 60);

    if (kind == "drop") {
        QVERIFY(q.listener.chunks.isEmpty());
    } else if (kind == "lower") {
        QCOMPARE(q.listener.all(), QByteArray("dcba"));
    } else if (kind == "error") {
        QCOMPARE(q.listener.all(), QByteArray("*"));
    } else if (kind == "split") {
        QVERIFY(q.listener.chunks.size() > 1);
        QCOMPARE(q.listener.all(), clean);
        for (qsizetype i = 1; i < q.listener.times.size(); ++i)
            QVERIFY(q.listener.times.at(i) > q.listener.times.at(i - 1));
    } else if (kind == "corrupt") {
        const QByteArray got = q.listener.all();
        QCOMPARE(got.size(), clean.size());
        int differences = 0;
        for (int i = 0; i < got.size(); ++i) {
            differences += got.at(i) != clean.at(i);
            QVERIFY(Codec::hexDigit(got.at(i)) >= 0); // a wrong but well-formed digit
        }
        QCOMPARE(differences, 1);
    } else {
        QCOMPARE(q.listener.all(), clean);
        QVERIFY(q.listener.times.first() - sentAt >= rates.delayMs);
    }
}

void TestSimModule::faultsRepeatWithSeed() {
    FaultRates rates;
    rates.drop = rates.delay = rates.split = rates.corrupt = rates.lower = rates.error = 0.3;
    const auto run = [&](quint32 seed) {
        sim::Faults faults(seed);
        faults.setRates(rates);
        QList<QByteArray> out;
        for (int i = 0; i < 200; ++i)
            for (const sim::Faults::Chunk& c : faults.apply("4321 A1 ", ' '))
                out.append(QByteArray::number(c.atMs) + ':' + c.bytes);
        return out;
    };
    QCOMPARE(run(7), run(7));
    QVERIFY(run(7) != run(8));
}

void TestSimModule::engineMovesPlausibly() {
    sim::ModuleState state;
    sim::EngineModel engine(3);
    double minRpm = 1e9, maxRpm = 0, firstTemp = 0, lastTemp = 0;
    quint32 lastCounter = 0;
    bool waterSeen = false;
    for (int i = 0; i < 1800; ++i) { // three minutes at 100 ms
        engine.step(100, state);
        const double rpm = 300000.0 / state.regWord(0x56);
        const double temp = state.regWord(0xA6) / 10.0;
        minRpm = std::min(minRpm, rpm);
        maxRpm = std::max(maxRpm, rpm);
        if (i == 0)
            firstTemp = temp;
        lastTemp = temp;
        QVERIFY(state.reg(0x32) / 10.0 <= 20);
        QVERIFY(state.regWord(0xAA) / 200.0 <= 5);
        QVERIFY(state.regWord(0xA2) / 160.0 <= 6);
        QVERIFY(state.regWord(0xA4) / 100.0 <= 10);
        QVERIFY(state.regWord(0x47) / 64.0 <= 64);
        const quint32 counter = state.reg(0x40) | state.reg(0x41) << 8 | state.reg(0x42) << 16;
        QVERIFY(counter >= lastCounter);
        lastCounter = counter;
        waterSeen = waterSeen || state.reg(0x69) > 0;
    }
    QVERIFY2(minRpm > 700 && minRpm < 1000, qPrintable(QString::number(minRpm)));
    QVERIFY2(maxRpm > 2500 && maxRpm < 6000, qPrintable(QString::number(maxRpm)));
    QVERIFY(firstTemp < 30 && lastTemp > 60 && lastTemp < 102);
    QVERIFY(waterSeen);
    QCOMPARE(int(state.regWord(0x74)), int(sim::EngineModel::kFuelFlowFactor));
    const double litres = lastCounter * double(sim::EngineModel::kFuelFlowFactor) / 20480 / 256;
    QVERIFY2(litres > 0.05 && litres < 1.0, qPrintable(QString::number(litres))); // 3 minutes
}

void TestSimModule::engineRepeatsWithSeed() {
    const auto run = [](quint32 seed) {
        sim::ModuleState state;
        sim::EngineModel engine(seed);
        QByteArray trace;
        for (int i = 0; i < 300; ++i) {
            engine.step(100, state);
            trace += state.registers();
        }
        return trace;
    };
    QCOMPARE(run(11), run(11));
    QVERIFY(run(11) != run(12));
}

void TestSimModule::imageRoundTrip() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    sim::ModuleState a;
    a.setName("Foreign!");
    a.setEeprom(0x1A, 0x5C);
    QString error;
    QVERIFY2(a.saveImage(dir.filePath("a.img"), &error), qPrintable(error));
    sim::ModuleState b;
    QVERIFY2(b.loadImage(dir.filePath("a.img"), &error), qPrintable(error));
    QCOMPARE(b.eepromImage(), a.eepromImage());
    QCOMPARE(b.name(), QByteArray("Foreign!"));
}

void TestSimModule::imageFormats() {
    QTemporaryDir dir;
    QByteArray binary(256, '\0');
    for (int i = 0; i < 256; ++i)
        binary[i] = char(255 - i);
    QByteArray dump;
    for (int i = 0; i < 256; ++i)
        dump += QStringLiteral("EEPROM-%1 = %2\r\n")
                    .arg(i, 2, 16, QLatin1Char('0'))
                    .arg(255 - i, 2, 16, QLatin1Char('0'))
                    .toUpper()
                    .toLatin1();
    const auto write = [&](const QString& name, const QByteArray& data) {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(data);
    };
    write("raw.bin", binary);
    write("dump.mmr2", dump);
    write("short.txt", "00 11 22\n");
    sim::ModuleState state;
    QVERIFY(state.loadImage(dir.filePath("raw.bin")));
    QCOMPARE(state.eepromImage(), binary);
    sim::ModuleState fromDump;
    QVERIFY(fromDump.loadImage(dir.filePath("dump.mmr2")));
    QCOMPARE(fromDump.eepromImage(), binary);
    QString error;
    QVERIFY(!state.loadImage(dir.filePath("short.txt"), &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!state.loadImage(dir.filePath("missing"), &error));
}

void TestSimModule::ptyExchange() {
    sim::PtyModule pty;
    pty.module().setEngineEnabled(false);
    QString error;
    QVERIFY2(pty.start(&error), qPrintable(error));
    const int fd =
        ::open(pty.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY2(fd >= 0, qPrintable(pty.slavePath()));
    QByteArray got;
    const auto readAvailable = [&] {
        char buffer[64];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            got.append(buffer, n);
        return got;
    };
    const auto exchange = [&](const QByteArray& command) {
        got.clear();
        QCOMPARE(::write(fd, command.constData(), size_t(command.size())), ssize_t(command.size()));
    };

    exchange("00*");
    QTRY_COMPARE_WITH_TIMEOUT(readAvailable(),
                              Codec::byteToWire(quint8(pty.module().eeprom().at(0))), 1000);
    exchange("87*97*"); // "Ma", as a batch
    QTRY_COMPARE_WITH_TIMEOUT(readAvailable(), QByteArray("D4 16 "), 1000);
    QCOMPARE(pty.module().receivedCommands(), (QStringList{"00*", "87*97*"}));

    pty.unplug();
    pollfd p{fd, POLLIN, 0};
    QCOMPARE(::poll(&p, 1, 1000), 1);
    QVERIFY(p.revents & (POLLHUP | POLLERR));
    char c;
    QVERIFY(::read(fd, &c, 1) <= 0);
    ::close(fd);
}

QTEST_GUILESS_MAIN(TestSimModule)
#include "tst_sim_module.moc"
