// The receive path: the engine with a transfer running, fed arbitrary chunks where the module's
// answers belong. The input first picks the transfer (the connect read, a dump, a restore, the
// telemetry poll or the fuel counter reset), then, exchange by exchange, whether the module
// answers truthfully, answers in pieces, stays silent, or garbage arrives instead. When the input
// is used up the module answers truthfully, so every transfer runs to its end.
//
// Checked: every byte sent is a well-formed command; reads never write; a dump file holds only
// values that answers to its addresses carried; a restore writes only the file's bytes or the
// composed settings, and reports success only when the module holds them or an answer forged
// exactly the expected value.

#include "connect_read.h"
#include "fuzz_support.h"
#include "languages.h"
#include "settings_rig.h"
#include "telemetry_poll.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <set>

namespace {

enum class Scenario { ConnectRead, Dump, Restore, Poll, FuelReset, Count };

const QRegularExpression& CommandPattern() {
    static const QRegularExpression pattern(
        QStringLiteral("^(?:[0-9A-F]{2}[*%&]|[0-9A-F]{4}[)$])+$"));
    return pattern;
}

// The single commands of a sent text ("04%14&" is two).
QStringList SplitCommands(const QString& sent) {
    QStringList commands;
    QString current;
    for (QChar c : sent) {
        current += c;
        if (c == u'*' || c == u'%' || c == u'&' || c == u')' || c == u'$') {
            commands << current;
            current.clear();
        }
    }
    return commands;
}

QString WordAnswer(int word) {
    QString digits;
    for (int k = 0; k < 4; ++k)
        digits += QLatin1Char("0123456789ABCDEF"[(word >> (4 * k)) & 0xF]);
    return digits;
}

// A module image that answers every command truthfully and executes writes.
struct Module {
    std::array<int, 256> eeprom{};
    std::array<int, 256> registers{};

    QString answer(const QString& command) {
        const int first = wire::DecodeByte(command).value_or(0);
        switch (command.back().unicode()) {
        case u'*':
            return wire::ValueToSend(eeprom[first]);
        case u'%':
            return wire::ValueToSend(registers[first]);
        case u'&':
            return WordAnswer(registers[first] | registers[(first + 1) & 0xFF] << 8);
        case u')':
            eeprom[wire::DecodeByte(QStringView(command).mid(2)).value_or(0)] = first;
            return QStringLiteral("!");
        default:
            registers[wire::DecodeByte(QStringView(command).mid(2)).value_or(0)] = first;
            return QStringLiteral("!");
        }
    }
};

struct Run {
    explicit Run(FuzzedDataProvider& data) : in(data) {}

    FuzzedDataProvider& in;
    SettingsRig rig;
    Module module;
    // Per EEPROM address: the values valid answers to its read carried, and those of them that
    // were not the module's (garbage that happened to be a valid answer).
    std::array<std::set<int>, 256> answered;
    std::array<std::set<int>, 256> forged;
    QStringList writes;

    // One tick of the running transaction and whatever arrives before the next one.
    void exchange() {
        Transaction* t = rig.running();
        t->tick();
        const QString sent = rig.engine.SentCommand();
        fuzz::Require(CommandPattern().match(sent).hasMatch(), "only well-formed commands are sent",
                      sent);
        QString truth;
        for (const QString& command : SplitCommands(sent)) {
            if (command.endsWith(u')') || command.endsWith(u'$'))
                writes << command;
            truth += module.answer(command);
        }
        QStringList chunks;
        switch (in.remaining_bytes() == 0 ? 0 : in.ConsumeIntegralInRange(0, 7)) {
        case 4: { // the answer in two pieces
            const int at = in.ConsumeIntegralInRange<int>(0, int(truth.size()));
            chunks << truth.left(at) << truth.mid(at);
            break;
        }
        case 5: // garbage instead of the answer
            chunks << QString::fromLatin1(
                in.ConsumeBytesAsString(in.ConsumeIntegralInRange(1, 24)));
            break;
        case 6: // silence
            break;
        case 7: // the answer and garbage after it
            chunks << truth + QString::fromLatin1(in.ConsumeBytesAsString(8));
            break;
        default:
            chunks << truth;
        }
        QString arrived;
        for (const QString& chunk : chunks) {
            if (chunk.isEmpty())
                continue;
            arrived += chunk;
            rig.port.feed(chunk);
        }
        if (sent.endsWith(u'*') && sent.size() == 3) {
            const int address = wire::DecodeByte(sent).value_or(0);
            if (const auto value = wire::DecodeByte(arrived)) {
                answered[address].insert(*value);
                if (*value != module.eeprom[address])
                    forged[address].insert(*value);
            }
        }
    }

    void runToEnd(int limit) {
        for (int n = 0; n < limit && rig.running(); ++n)
            exchange();
    }
};

// With FUZZ_TRACE set, each run says how it ended (to see that the transfers get through).
void Trace(const char* scenario, qsizetype completed, qsizetype sent) {
    static const bool on = qEnvironmentVariableIsSet("FUZZ_TRACE");
    if (on)
        std::fprintf(stderr, "%s: completed %d, %d commands sent\n", scenario, int(completed),
                     int(sent));
}

void ConnectReadRun(Run& run) {
    ConnectRead read(run.rig.engine, run.rig.model);
    read.startRead();
    run.runToEnd(2000);
    Trace("connect read", read.nameComplete(), run.rig.port.writes.size());
    fuzz::Require(run.writes.isEmpty(), "the connect read writes nothing", run.writes.join(' '));
}

void DumpRun(Run& run) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dump.mmr2"));
    QSignalSpy saved(&run.rig.features.dumps(), &DumpFiles::saved);
    run.rig.features.dumps().saveToFile(path);
    run.runToEnd(6000);
    fuzz::Require(run.writes.isEmpty(), "a dump writes nothing", run.writes.join(' '));
    Trace("dump", saved.size(), run.rig.port.writes.size());
    if (saved.isEmpty()) {
        fuzz::Require(!QFile::exists(path), "a failed dump leaves no file");
        return;
    }
    const DumpFileContent file = ReadDumpFile(path);
    fuzz::Require(file.ok(), "a saved dump can be read", EnglishText(file.error));
    for (int a = 0; a < 256; ++a)
        fuzz::Require(run.answered[a].count(file.image[a]) == 1,
                      "every dumped byte came from an answer", wire::HumanAddress(a));
}

EepromImage SourceImage() {
    EepromImage e;
    for (int i = 0; i < 256; ++i)
        e[i] = std::uint8_t((i * 7 + 3) & 0xFF);
    e[0x00] = 0xB6;
    e[0x01] = 0x85;
    e[0x04] = 120;
    e[0x08] = 155;
    e[0x0A] = 100;
    e[0x0F] = 18;
    e[0x17] = 21;
    e[0x1B] = 0x85;
    e[0x1D] = 50;
    const QByteArray name("Mar2-SRC");
    for (int i = 0; i < 8; ++i)
        e[0x78 + i] = std::uint8_t(name.at(i));
    return e;
}

void RestoreRun(Run& run) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("source.mmr2"));
    const EepromImage source = SourceImage();
    fuzz::Require(WriteDumpFile(path, source).isEmpty(), "the source file is written");
    DumpFiles& dumps = run.rig.features.dumps();
    run.rig.features.page().showDecoded(0x00, 0x00);
    fuzz::Require(dumps.openFromFile(path), "the source file opens");
    for (int a = 0; a < 256; ++a)
        run.module.eeprom[a] = run.in.ConsumeIntegral<std::uint8_t>();
    QSignalSpy written(&dumps, &DumpFiles::written);
    if (dumps.saveToModule() != StartResult::Started)
        return;
    const std::array<int, kDumpLineCount> expected = dumps.expectedImage();
    run.runToEnd(8000);
    for (const QString& command : run.writes) {
        fuzz::Require(command.endsWith(u')'), "a restore writes only the EEPROM", command);
        const int value = wire::DecodeByte(command).value_or(-1);
        const int address = wire::DecodeByte(QStringView(command).mid(2)).value_or(-1);
        fuzz::Require(address >= 0 && expected[address] >= 0,
                      "a restore writes only the addresses it restores", command);
        fuzz::Require(value == source[address] || value == expected[address],
                      "a restore writes only the file's bytes and the composed settings", command);
    }
    Trace("restore", written.size(), run.rig.port.writes.size());
    if (written.isEmpty())
        return;
    for (int a = 0; a < 256; ++a) {
        if (expected[a] < 0)
            continue;
        fuzz::Require(run.module.eeprom[a] == expected[a] || run.forged[a].count(expected[a]),
                      "a restore reported complete leaves the expected bytes",
                      wire::HumanAddress(a));
    }
}

void PollRun(Run& run) {
    telemetry::TelemetryPoll poll(run.rig.engine, run.rig.model);
    for (int a = 0; a < 256; ++a)
        run.module.registers[a] = run.in.ConsumeIntegral<std::uint8_t>();
    poll.beginRecording();
    for (int cycle = 0; cycle < 8; ++cycle) {
        poll.openCycle();
        poll.rearm();
        run.runToEnd(12);
        poll.stop();
    }
    Trace("poll", 8, run.rig.port.writes.size());
    fuzz::Require(run.writes.isEmpty(), "the poll writes nothing", run.writes.join(' '));
}

void FuelResetRun(Run& run) {
    telemetry::FuelCounterReset reset(run.rig.engine);
    reset.startReset();
    run.runToEnd(200);
    for (const QString& command : run.writes) {
        const int value = wire::DecodeByte(command).value_or(-1);
        const int reg = wire::DecodeByte(QStringView(command).mid(2)).value_or(-1);
        fuzz::Require(command.endsWith(u'$') && value == 0 && reg >= 0x40 && reg <= 0x42,
                      "the reset writes only zeros into the counter", command);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    Run run(in);
    run.rig.eeprom.fill(0);
    switch (Scenario(in.ConsumeIntegralInRange(0, int(Scenario::Count) - 1))) {
    case Scenario::ConnectRead:
        ConnectReadRun(run);
        break;
    case Scenario::Dump:
        DumpRun(run);
        break;
    case Scenario::Restore:
        RestoreRun(run);
        break;
    case Scenario::Poll:
        PollRun(run);
        break;
    default:
        FuelResetRun(run);
        break;
    }
    return 0;
}
