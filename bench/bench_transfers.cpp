// The long transfers against the simulated module on a pseudo-terminal, at the program's real
// intervals, once with the default timing (one command per tick) and once with the fast
// transfer option (the next command as soon as the answer is handled): the connection read
// (identify), the dump of the whole EEPROM and the restore of a dump file with its read-back, the
// water table's read and write and the emulation curve's read and write.
//
// The simulator answers at wire speed, so the fast figures are what the line and the program
// allow; a real module must accept a command as soon as it has answered the previous one.
//
// bench_transfers [--busy RATE] [--busy-ms MS] [--delay RATE] [--delay-ms MS] [--lose RATE]
// [--seed N] runs the same transfers on a module with those faults; every figure then says
// whether what the transfer reported is exactly what the module (or the file) holds.
#include "connect_read.h"
#include "curve_codec.h"
#include "curve_model.h"
#include "curve_transfer.h"
#include "dump_file.h"
#include "injection_tables.h"
#include "module_settings.h"
#include "pty_rig.h"
#include "settings_features.h"
#include "table_codec.h"
#include "table_transfer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace {

// The line faults of every simulated module of this run.
sim::FaultRates g_faults;
quint32 g_seed = 1;

struct Figure {
    double seconds = -1; // negative: the transfer did not complete
    qsizetype commands = 0;
    double lineSeconds = 0; // the characters both ways at 19200 bit/s, 10 bits each
    QString note;
    bool exact = true; // what the transfer reported is what the module or the file holds
};

bool sameBytes(const QByteArray& a, const QByteArray& b, int from, int to) {
    return a.mid(from, to - from) == b.mid(from, to - from);
}

// The time the commands and their answers take on the module's line (a pseudo-terminal has no bit
// rate): reads are answered with two characters, writes with one.
double lineSeconds(const QStringList& commands) {
    qsizetype characters = 0;
    for (const QString& c : commands)
        characters += c.size() + (c.endsWith(QLatin1Char(')')) ? 1 : 2);
    return double(characters) * 10.0 / 19200.0;
}

// The program's connection read and settings operations on one simulated module.
struct Station {
    explicit Station(const QByteArray& image, bool fast) : rig(image, 1.0) {
        rig.engine.setFastTransfers(fast);
        rig.setFaults(g_seed, g_faults);
        features.follow(read);
    }
    PtyRig rig;
    ModuleSettingsModel model;
    ConnectRead read{rig.engine, model};
    SettingsFeatures features{rig.engine, model};
};

// Runs start() and waits for done or failed (whichever signal fires first), at most limitMs.
Figure timeTransfer(Station& station, const std::function<void()>& start, QSignalSpy& done,
                    QSignalSpy& failed, int limitMs) {
    station.rig.sim().clearReceivedCommands();
    QElapsedTimer clock;
    clock.start();
    start();
    while (done.isEmpty() && failed.isEmpty() && clock.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    Figure f;
    f.commands = station.rig.received().size();
    f.lineSeconds = lineSeconds(station.rig.received());
    if (!done.isEmpty())
        f.seconds = double(clock.nsecsElapsed()) / 1e9;
    else if (!failed.isEmpty())
        f.note = failed.first().value(0).toString();
    else
        f.note = QStringLiteral("no end within %1 s").arg(limitMs / 1000);
    return f;
}

Figure identify(bool fast) {
    Station s(sim::ModuleState::defaultEeprom(), fast);
    if (!s.rig.started || !s.rig.open())
        return {-1, 0, 0, QStringLiteral("no simulator")};
    QSignalSpy done(&s.read, &ConnectRead::identified);
    QSignalSpy failed(&s.read, &ConnectRead::foreignModule);
    Figure f = timeTransfer(
        s, [&] { s.read.startRead(); }, done, failed, 60000);
    f.exact = s.model.settings().ModuleName.toLatin1() == s.rig.eeprom().mid(0x78, 8);
    return f;
}

Figure dump(bool fast, const QString& path) {
    Station s(sim::ModuleState::defaultEeprom(), fast);
    if (!s.rig.started || !s.rig.open())
        return {-1, 0, 0, QStringLiteral("no simulator")};
    QSignalSpy done(&s.features.dumps(), &DumpFiles::saved);
    QSignalSpy failed(&s.features.dumps(), &DumpFiles::failed);
    Figure f = timeTransfer(
        s, [&] { s.features.dumps().saveToFile(path); }, done, failed, 120000);
    const DumpFileContent file = ReadDumpFile(path);
    QByteArray saved(256, '\0');
    for (int a = 0; a < 256; ++a)
        saved[a] = char(file.image[size_t(a)]);
    f.exact = f.seconds < 0 || (file.ok() && saved == s.rig.eeprom());
    return f;
}

Figure restore(bool fast, const QString& path) {
    // A module whose every byte differs from the file's, so that every write changes something.
    QByteArray image = sim::ModuleState::defaultEeprom();
    for (int a = 0; a < 256; ++a) {
        if (a < 0x78 || a > 0x7F)
            image[a] = char(~image.at(a));
    }
    Station s(image, fast);
    if (!s.rig.started || !s.rig.open())
        return {-1, 0, 0, QStringLiteral("no simulator")};
    QSignalSpy identified(&s.read, &ConnectRead::identified);
    s.read.startRead();
    if (!identified.wait(60000))
        return {-1, 0, 0, QStringLiteral("the module was not identified")};
    s.features.Btn_Raschet_Marvek_2Click();
    if (!s.features.dumps().openFromFile(path))
        return {-1, 0, 0, QStringLiteral("the dump file cannot be opened")};
    QSignalSpy done(&s.features.dumps(), &DumpFiles::written);
    QSignalSpy failed(&s.features.dumps(), &DumpFiles::failed);
    Figure f = timeTransfer(
        s, [&] { s.features.dumps().saveToModule(); }, done, failed, 240000);
    // The curve and both tables are written as the file holds them.
    const DumpFileContent file = ReadDumpFile(path);
    QByteArray expected(256, '\0');
    for (int a = 0; a < 256; ++a)
        expected[a] = char(file.image[size_t(a)]);
    f.exact = f.seconds < 0 || (sameBytes(s.rig.eeprom(), expected, 0x30, 0x70) &&
                                sameBytes(s.rig.eeprom(), expected, 0x80, 0x100));
    return f;
}

// The table and curve transfers on one simulated module.
struct TableStation {
    explicit TableStation(bool fast) : rig(image(), 1.0) {
        rig.engine.setFastTransfers(fast);
        rig.setFaults(g_seed, g_faults);
    }
    // Runs of equal cells and points, where an answer to a neighbour reads as this one's.
    static QByteArray image() {
        QByteArray e = sim::ModuleState::defaultEeprom();
        for (int a = 0x30; a < 0x70; ++a)
            e[a] = char(40 + (a - 0x30) / 4 * 10);
        for (int a = 0x80; a < 0x100; ++a)
            e[a] = char(10 + (a - 0x80) / 3 * 2);
        return e;
    }
    PtyRig rig;
    InjectionTables tables;
    TableTransfer tableTransfer{rig.engine, tables};
    curve::CurveModel curve;
    curve::CurveTransfer curveTransfer{rig.engine, curve};
};

// A read, then a write of what was read (the write includes its verify pass).
std::pair<Figure, Figure> tableReadWrite(bool fast) {
    TableStation s(fast);
    if (!s.rig.started || !s.rig.open())
        return {{-1, 0, 0, QStringLiteral("no simulator")}, {}};
    auto run = [&](const std::function<void()>& start) {
        QSignalSpy done(&s.tableTransfer, &TableTransfer::completed);
        QSignalSpy failed(&s.tableTransfer, &TableTransfer::failed);
        s.rig.sim().clearReceivedCommands();
        QElapsedTimer clock;
        clock.start();
        start();
        while (done.isEmpty() && failed.isEmpty() && clock.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        Figure f;
        f.commands = s.rig.received().size();
        f.lineSeconds = lineSeconds(s.rig.received());
        if (!done.isEmpty())
            f.seconds = double(clock.nsecsElapsed()) / 1e9;
        else
            f.note = QStringLiteral("the table transfer did not complete");
        return f;
    };
    Figure read = run([&] { s.tableTransfer.startRead(TableKind::Water, false); });
    const QByteArray held = s.rig.eeprom();
    for (int r = 1; r <= kTableRows; ++r) {
        for (int c = 1; c <= kTableColumns; ++c) {
            const double ms = s.tables.data(TableKind::Water).cell(c, r).toDouble();
            read.exact =
                read.exact &&
                (read.seconds < 0 ||
                 EncodeCell(ms) == quint8(held.at(CellEepromAddress(TableKind::Water, c, r))));
        }
    }
    // The write sends the table shifted by one cell, so that every byte changes.
    QStringList shifted;
    for (int i = 0; i < kTableCells; ++i)
        shifted << s.tables.data(TableKind::Water)
                       .cell((i + 1) % kTableCells % kTableColumns + 1,
                             (i + 1) % kTableCells / kTableColumns + 1);
    s.tables.loadCells(TableKind::Water, shifted);
    Figure write = run([&] { s.tableTransfer.startWrite(TableKind::Water); });
    for (int i = 0; i < kTableCells && write.seconds >= 0; ++i) {
        const int address =
            CellEepromAddress(TableKind::Water, i % kTableColumns + 1, i / kTableColumns + 1);
        write.exact = write.exact &&
                      EncodeCell(shifted.at(i).toDouble()) == quint8(s.rig.eeprom().at(address));
    }
    return {read, write};
}

std::pair<Figure, Figure> curveReadWrite(bool fast) {
    TableStation s(fast);
    if (!s.rig.started || !s.rig.open())
        return {{-1, 0, 0, QStringLiteral("no simulator")}, {}};
    auto run = [&](const std::function<void()>& start, bool write) {
        QSignalSpy read(&s.curveTransfer, &curve::CurveTransfer::readFinished);
        QSignalSpy written(&s.curveTransfer, &curve::CurveTransfer::writeFinished);
        s.rig.sim().clearReceivedCommands();
        QElapsedTimer clock;
        clock.start();
        start();
        QSignalSpy& done = write ? written : read;
        while (done.isEmpty() && clock.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        Figure f;
        f.commands = s.rig.received().size();
        f.lineSeconds = lineSeconds(s.rig.received());
        if (!done.isEmpty() && (write || done.first().at(0).toBool()))
            f.seconds = double(clock.nsecsElapsed()) / 1e9;
        else
            f.note = QStringLiteral("the curve transfer did not complete");
        return f;
    };
    Figure read = run([&] { s.curveTransfer.startRead(); }, false);
    for (int p = 0; p < curve::kPointCount && read.seconds >= 0; ++p)
        read.exact = read.exact && curve::EncodeVolts(s.curve.text(p).toDouble()) ==
                                       quint8(s.rig.eeprom().at(0x30 + p));
    // The write sends the points in reverse order, so that nearly every byte changes.
    std::array<double, curve::kPointCount> reversed{};
    for (int p = 0; p < curve::kPointCount; ++p)
        reversed[size_t(p)] = s.curve.text(curve::kPointCount - 1 - p).toDouble();
    for (int p = 0; p < curve::kPointCount; ++p)
        s.curve.commit(p, QString::number(reversed[size_t(p)]));
    Figure write = run([&] { s.curveTransfer.startWrite(); }, true);
    for (int p = 0; p < curve::kPointCount && write.seconds >= 0; ++p)
        write.exact = write.exact && curve::EncodeVolts(reversed[size_t(p)]) ==
                                         quint8(s.rig.eeprom().at(0x30 + p));
    return {read, write};
}

QByteArray cell(const Figure& f) {
    if (f.seconds < 0)
        return QByteArray("failed");
    return QByteArray::number(f.seconds, 'f', 2) + " s / " + QByteArray::number(f.commands) +
           (f.exact ? "" : " WRONG");
}

double rateArgument(const QStringList& args, const QString& name, double fallback) {
    const qsizetype i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args.at(i + 1).toDouble() : fallback;
}

void row(const char* name, const Figure& normal, const Figure& fast) {
    const QByteArray ratio = normal.seconds > 0 && fast.seconds > 0
                                 ? QByteArray::number(normal.seconds / fast.seconds, 'f', 1) + "x"
                                 : QByteArray("-");
    const QByteArray onLine =
        fast.seconds > 0 ? QByteArray::number(fast.lineSeconds, 'f', 2) + " s" : QByteArray("-");
    const QByteArray lineRatio =
        normal.seconds > 0 && fast.seconds > 0
            ? QByteArray::number(normal.seconds / fast.lineSeconds, 'f', 1) + "x"
            : QByteArray("-");
    std::printf("%-10s %-22s %-22s %-14s %-12s %s\n", name, cell(normal).constData(),
                cell(fast).constData(), ratio.constData(), onLine.constData(),
                lineRatio.constData());
    for (const Figure* f : {&normal, &fast}) {
        if (!f->note.isEmpty())
            std::printf("           %s\n", qPrintable(f->note));
    }
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    g_faults.busy = rateArgument(args, QStringLiteral("--busy"), 0);
    g_faults.busyMs = int(rateArgument(args, QStringLiteral("--busy-ms"), g_faults.busyMs));
    g_faults.delay = rateArgument(args, QStringLiteral("--delay"), 0);
    g_faults.delayMs = int(rateArgument(args, QStringLiteral("--delay-ms"), g_faults.delayMs));
    g_faults.lose = rateArgument(args, QStringLiteral("--lose"), 0);
    g_seed = quint32(rateArgument(args, QStringLiteral("--seed"), 1));
    QTemporaryDir dir;
    const QString normalFile = dir.filePath(QStringLiteral("default.mmr2"));
    const QString fastFile = dir.filePath(QStringLiteral("fast.mmr2"));

    std::printf("Transfers against the simulator at the real intervals "
                "(time / commands the module received; WRONG: reported values the module does "
                "not hold)\n");
    if (g_faults.busy > 0 || g_faults.delay > 0 || g_faults.lose > 0)
        std::printf("Faults: busy %.2f (%d ms), delay %.2f (%d ms), lost commands %.2f, seed %u\n",
                    g_faults.busy, g_faults.busyMs, g_faults.delay, g_faults.delayMs, g_faults.lose,
                    g_seed);
    std::printf("%-10s %-22s %-22s %-14s %-12s %s\n", "transfer", "default", "fast", "default/fast",
                "fast on line", "default/line");
    row("identify", identify(false), identify(true));
    const Figure dumpNormal = dump(false, normalFile);
    const Figure dumpFast = dump(true, fastFile);
    row("dump", dumpNormal, dumpFast);
    // Both restores write the same file (the default dump's; the fast one's if that failed).
    const QString file = dumpNormal.seconds >= 0 ? normalFile : fastFile;
    row("restore", restore(false, file), restore(true, file));
    const auto [tableReadNormal, tableWriteNormal] = tableReadWrite(false);
    const auto [tableReadFast, tableWriteFast] = tableReadWrite(true);
    row("table in", tableReadNormal, tableReadFast);
    row("table out", tableWriteNormal, tableWriteFast);
    const auto [curveReadNormal, curveWriteNormal] = curveReadWrite(false);
    const auto [curveReadFast, curveWriteFast] = curveReadWrite(true);
    row("curve in", curveReadNormal, curveReadFast);
    row("curve out", curveWriteNormal, curveWriteFast);
    std::printf("restore: connection read not included; the write, the settings and the "
                "read-back of every written byte are.\n"
                "fast on line: the fast run's characters at 19200 bit/s, the floor of a real "
                "module that answers at once\n(the pseudo-terminal has no bit rate); "
                "default/line: the default time over that floor.\n");
    return 0;
}
