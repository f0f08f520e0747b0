// The long transfers against the simulated module on a pseudo-terminal, at the program's real
// intervals, once with the default timing (one command per tick) and once with the fast
// transfer option (the next command as soon as the answer is handled): the connection read
// (identify), the dump of the whole EEPROM and the restore of a dump file with its read-back, the
// water table's read and write and the emulation curve's read and write.
//
// The simulator answers at wire speed, so the fast figures are what the line and the program
// allow; a real module must accept a command as soon as it has answered the previous one.
#include "connect_read.h"
#include "curve_model.h"
#include "curve_transfer.h"
#include "dump_file.h"
#include "injection_tables.h"
#include "module_settings.h"
#include "pty_rig.h"
#include "settings_features.h"
#include "table_transfer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace {

struct Figure {
    double seconds = -1; // negative: the transfer did not complete
    qsizetype commands = 0;
    double lineSeconds = 0; // the characters both ways at 19200 bit/s, 10 bits each
    QString note;
};

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
    return timeTransfer(
        s, [&] { s.read.startRead(); }, done, failed, 60000);
}

Figure dump(bool fast, const QString& path) {
    Station s(sim::ModuleState::defaultEeprom(), fast);
    if (!s.rig.started || !s.rig.open())
        return {-1, 0, 0, QStringLiteral("no simulator")};
    QSignalSpy done(&s.features.dumps(), &DumpFiles::saved);
    QSignalSpy failed(&s.features.dumps(), &DumpFiles::failed);
    return timeTransfer(
        s, [&] { s.features.dumps().saveToFile(path); }, done, failed, 120000);
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
    return timeTransfer(
        s, [&] { s.features.dumps().saveToModule(); }, done, failed, 240000);
}

// The table and curve transfers on one simulated module.
struct TableStation {
    explicit TableStation(bool fast) : rig(sim::ModuleState::defaultEeprom(), 1.0) {
        rig.engine.setFastTransfers(fast);
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
    const Figure read = run([&] { s.tableTransfer.startRead(TableKind::Water, false); });
    const Figure write = run([&] { s.tableTransfer.startWrite(TableKind::Water); });
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
    const Figure read = run([&] { s.curveTransfer.startRead(); }, false);
    const Figure write = run([&] { s.curveTransfer.startWrite(); }, true);
    return {read, write};
}

QByteArray cell(const Figure& f) {
    if (f.seconds < 0)
        return QByteArray("failed");
    return QByteArray::number(f.seconds, 'f', 2) + " s / " + QByteArray::number(f.commands);
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
    QTemporaryDir dir;
    const QString normalFile = dir.filePath(QStringLiteral("default.mmr2"));
    const QString fastFile = dir.filePath(QStringLiteral("fast.mmr2"));

    std::printf("Transfers against the simulator at the real intervals "
                "(time / commands the module received)\n");
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
