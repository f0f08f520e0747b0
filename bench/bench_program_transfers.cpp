// The program's own transfers, driven through the main window's controls against the simulated
// module at the real intervals: the connection read, the dump to a file, the water table's read
// and the emulation curve's read, then the link check in its window, once with the default timing
// and once with "Быстрый обмен"; beside each, the same transfer run by the transfer classes alone,
// as marvek2-cli runs it.
//
// Run under xvfb-run (the table page's surface view needs OpenGL):
//   xvfb-run -a bench/bench_program_transfers [--fast]
// (--fast: the fast timing alone). With BENCH_SHOW_COMMANDS set, each transfer's first twelve
// commands are printed too, to see that the button did what its row says.
#include "connect_read.h"
#include "curve_model.h"
#include "curve_transfer.h"
#include "dump_file.h"
#include "emulator_page.h"
#include "injection_tables.h"
#include "main_window.h"
#include "module_settings.h"
#include "pty_rig.h"
#include "settings_features.h"
#include "settings_page.h"
#include "table_transfer.h"
#include "tables_page.h"
#include "transaction_engine.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>

#include <cstdio>
#include <functional>

namespace {

struct Figure {
    double seconds = -1; // negative: the transfer did not complete
    qsizetype commands = 0;
    bool exact = true;
};

// Waits for done() at most limitMs, handling events; the time taken or -1.
double timeUntil(const std::function<void()>& start, const std::function<bool()>& done,
                 int limitMs) {
    QElapsedTimer clock;
    clock.start();
    start();
    while (!done() && clock.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return done() ? double(clock.nsecsElapsed()) / 1e9 : -1;
}

QByteArray imageOf(const QString& dumpPath) {
    const DumpFileContent file = ReadDumpFile(dumpPath);
    QByteArray saved(256, '\0');
    for (int a = 0; a < 256; ++a)
        saved[a] = char(file.image[size_t(a)]);
    return file.ok() ? saved : QByteArray();
}

// The main window on one simulated module.
struct ProgramStation {
    explicit ProgramStation(bool fast) {
        QDir().mkpath(dir.filePath(QStringLiteral("Language")));
        for (const QString& f : QDir(QStringLiteral(MARVEK2_LANGUAGE_DIR)).entryList(QDir::Files))
            QFile::copy(QStringLiteral(MARVEK2_LANGUAGE_DIR "/") + f,
                        dir.filePath(QStringLiteral("Language/") + f));
        module.start();
        module.module().setEngineEnabled(false);
        StartOptions options;
        options.workingDirectory = dir.path();
        options.port = module.slavePath();
        window = std::make_unique<TfmMain>(options);
        window->resize(1280, 800);
        window->show();
        window->findChild<QAction*>(QStringLiteral("FastTransfersItem"))->setChecked(fast);
    }
    template <typename T> T* control(const char* name) {
        return window->findChild<T*>(QLatin1String(name));
    }
    bool idle() { return !window->engine().anyEnabled() && !window->interfaceLocked(); }
    Figure run(const std::function<void()>& start, const std::function<bool()>& done) {
        module.module().clearReceivedCommands();
        Figure f;
        f.seconds = timeUntil(start, done, 120000);
        f.commands = module.module().receivedCommands().size();
        if (qEnvironmentVariableIsSet("BENCH_SHOW_COMMANDS"))
            std::printf("%s\n",
                        qPrintable(module.module().receivedCommands().mid(0, 12).join(u' ')));
        return f;
    }
    QTemporaryDir dir;
    sim::PtyModule module;
    std::unique_ptr<TfmMain> window;
};

struct ProgramFigures {
    Figure identify, dump, tableRead, curveRead;
    QStringList linkCheck; // the window's two rows: default, fast
};

ProgramFigures programTransfers(bool fast) {
    ProgramStation s(fast);
    ProgramFigures out;
    // Until the module is named; the announcement window that follows is not counted.
    auto* linkState = s.control<QLabel>("StatusBar_Top_Panel0");
    // The window's first paint is over before the clock starts.
    QElapsedTimer settle;
    settle.start();
    timeUntil([] {}, [&] { return settle.elapsed() > 1000; }, 2000);
    out.identify = s.run([&] { s.control<QToolButton>("atb_2012_B_ModuleOn")->click(); },
                         [&] { return linkState->text() == QStringLiteral("Подключен модуль"); });
    if (out.identify.seconds < 0 || timeUntil([] {}, [&] { return s.idle(); }, 30000) < 0)
        return out;

    const QString path = s.dir.filePath(QStringLiteral("program.mmr2"));
    auto* settings = s.control<SettingsPage>("spnl_2012_Setting");
    settings->askSaveFileName = [&] { return path; };
    out.dump = s.run([&] { s.control<QToolButton>("ssb_EEPROM_SaveToFile")->click(); },
                     [&] { return QFile::exists(path) && s.idle(); });
    out.dump.exact = imageOf(path) == s.module.module().eeprom();

    auto* tables = s.control<TablesPage>("Panel_3D");
    QSignalSpy tableDone(&tables->transfer(), &TableTransfer::completed);
    out.tableRead = s.run([&] { tables->atb_Water_OutClick(); },
                          [&] { return !tableDone.isEmpty() && s.idle(); });

    auto* emulator = s.control<EmulatorPage>("Panel_Emu");
    out.curveRead =
        s.run([&] { emulator->atb_Emu_In_2Click(); },
              [&] { return s.module.module().receivedCommands().size() >= 64 && s.idle(); });
    // The link check in the window: the answer times the program itself measures.
    s.window->findChild<QAction*>(QStringLiteral("LinkCheckItem"))->trigger();
    auto* check = s.control<QWidget>("fmLinkCheck");
    auto* start = check->findChild<QAbstractButton*>(QStringLiteral("btn_LinkCheck_Start"));
    start->click();
    if (timeUntil([] {}, [&] { return start->isEnabled(); }, 120000) >= 0) {
        auto* grid = check->findChild<QTableWidget*>(QStringLiteral("sgrid_LinkCheck"));
        for (int row = 0; row < 2; ++row) {
            QStringList cells;
            for (int column = 0; column < grid->columnCount(); ++column)
                cells << (grid->item(row, column) ? grid->item(row, column)->text() : QString());
            out.linkCheck << cells.join(QStringLiteral(" | "));
        }
    }
    check->close();
    return out;
}

// The same transfers by the transfer classes alone, as marvek2-cli runs them.
ProgramFigures classTransfers(bool fast) {
    ProgramFigures out;
    PtyRig rig(QByteArray(), 1.0);
    rig.engine.setFastTransfers(fast);
    if (!rig.started)
        return out;
    ModuleSettingsModel model;
    ConnectRead read(rig.engine, model);
    SettingsFeatures features(rig.engine, model);
    features.follow(read);
    auto run = [&](const std::function<void()>& start, QSignalSpy& done) {
        rig.sim().clearReceivedCommands();
        Figure f;
        f.seconds = timeUntil(
            start, [&] { return !done.isEmpty(); }, 120000);
        f.commands = rig.received().size();
        return f;
    };
    QSignalSpy identified(&read, &ConnectRead::identified);
    // Like the program's connect button: the port is opened, then the module read.
    out.identify = run(
        [&] {
            if (rig.open())
                read.startRead();
        },
        identified);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cli.mmr2"));
    QSignalSpy saved(&features.dumps(), &DumpFiles::saved);
    out.dump = run([&] { features.dumps().saveToFile(path); }, saved);
    out.dump.exact = imageOf(path) == rig.eeprom();
    InjectionTables tables;
    TableTransfer tableTransfer(rig.engine, tables);
    QSignalSpy tableDone(&tableTransfer, &TableTransfer::completed);
    out.tableRead = run([&] { tableTransfer.startRead(TableKind::Water, false); }, tableDone);
    curve::CurveModel curveModel;
    curve::CurveTransfer curveTransfer(rig.engine, curveModel);
    QSignalSpy curveDone(&curveTransfer, &curve::CurveTransfer::readFinished);
    out.curveRead = run([&] { curveTransfer.startRead(); }, curveDone);
    return out;
}

QByteArray cell(const Figure& f) {
    if (f.seconds < 0)
        return QByteArray("failed");
    return QByteArray::number(f.seconds, 'f', 2) + " s / " + QByteArray::number(f.commands) +
           (f.exact ? "" : " WRONG");
}

void row(const char* name, const Figure& program, const Figure& classes) {
    const QByteArray ratio =
        program.seconds > 0 && classes.seconds > 0
            ? QByteArray::number(program.seconds / classes.seconds, 'f', 1) + "x"
            : QByteArray("-");
    std::printf("%-12s %-20s %-20s %s\n", name, cell(program).constData(),
                cell(classes).constData(), ratio.constData());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    std::printf("The program's transfers through its window against the simulator, beside the "
                "transfer classes alone (as marvek2-cli runs them); time / commands received\n");
    const bool fastOnly = app.arguments().contains(QStringLiteral("--fast"));
    for (bool fast : {false, true}) {
        if (fastOnly && !fast)
            continue;
        std::printf("\n%s timing\n%-12s %-20s %-20s %s\n", fast ? "fast" : "default", "transfer",
                    "program", "cli", "program/cli");
        const ProgramFigures p = programTransfers(fast);
        const ProgramFigures c = classTransfers(fast);
        row("identify", p.identify, c.identify);
        row("dump", p.dump, c.dump);
        row("table read", p.tableRead, c.tableRead);
        row("curve read", p.curveRead, c.curveRead);
        for (const QString& line : p.linkCheck)
            std::printf("link check in the window (answers | min | median | max ms | malformed | "
                        "late | missing): %s\n",
                        qPrintable(line));
    }
    return 0;
}
