// marvek2-cli: the module link without a window, for scripts and service checks.
#include "cli_common.h"
#include "com_port.h"
#include "connect_read.h"
#include "journal_sink.h"
#include "module_settings.h"
#include "raw_console.h"
#include "transaction_engine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

namespace {

const char* const usage =
    "Usage: marvek2-cli <command> [options]\n"
    "\n"
    "Commands:\n"
    "  ports                      list the serial ports, one a line\n"
    "  send --port PATH TEXT      send TEXT as typed (e.g. \"00*\"), repeat it\n"
    "                             every 50 ms until the module answers, print\n"
    "                             the answer [--timeout S, default 5]\n"
    "  identify --port PATH       run the connection read (all settings and the\n"
    "                             module name), print them as one JSON object\n"
    "                             [--timeout S, default 30] [--fast]\n"
    "  dump --port PATH [--out FILE]\n"
    "                             save the module's whole EEPROM to FILE\n"
    "                             (default dump.mmr2)\n"
    "  restore --port PATH FILE   write a saved EEPROM file into the module and\n"
    "                             read every written byte back\n"
    "  log --port PATH --seconds N [--out FILE] [--interval MS] [--csv]\n"
    "                             record the live values to FILE (default\n"
    "                             log_data.txt, log.csv with --csv)\n"
    "  table read water|fuel [--filter] --port PATH [--out FILE]\n"
    "                             read an injection table into a table file\n"
    "                             (default waterMAF.txt / fuelLambda.txt)\n"
    "  table write water|fuel FILE --port PATH\n"
    "                             write a table file into the module and read\n"
    "                             every cell back; a file with values out of\n"
    "                             range is refused unless [--clamp] writes\n"
    "                             them limited\n"
    "  curve read [--filter] --port PATH [--out FILE]\n"
    "                             read the emulation curve into a curve file\n"
    "                             (default curveEmu.txt)\n"
    "  curve write FILE --port PATH\n"
    "                             write a curve file into the module and read\n"
    "                             every point back; a file with values out of\n"
    "                             range is refused unless [--clamp] writes\n"
    "                             them limited\n"
    "  diff FILE_A FILE_B [--kind dump|table|curve|record]\n"
    "                             compare two files of one kind (told by their\n"
    "                             content); print the differences; exit 0 when\n"
    "                             equal, 1 when they differ, 2 on an error\n"
    "  link-check --port PATH [--count N] [--json]\n"
    "                             read known addresses N times in each timing\n"
    "                             (nothing is written); report answer times,\n"
    "                             malformed, late and missing answers, and\n"
    "                             whether the fast timing is safe\n"
    "  analyze RECORD --table water|fuel [--basis time|maf] [--channel NAME]\n"
    "          [--from S] [--to S] [--where NAME>VALUE] [--csv]\n"
    "                             where a record file spent its time on the\n"
    "                             table: dwell in % per cell, or the channel's\n"
    "                             mean per cell\n"
    "\n"
    "--out names the file exactly as given. The transfer commands (identify, dump,\n"
    "restore, table, curve) take --timeout S and --fast: the next command goes out\n"
    "as soon as the module has answered, not at the next tick.\n"
    "marvek2-cli <command> --help lists every option of a command.\n";

int listPorts() {
    QStringList ports;
    try {
        TBComPort::ListSerialPorts(ports);
    } catch (const EComPort& e) {
        return fail(e.message());
    }
    for (const QString& p : ports)
        out() << p << '\n';
    out().flush();
    return 0;
}

int sendRaw(QCoreApplication& app, const QString& path, const QString& text, double timeoutS) {
    TBComPort port;
    QString error;
    if (!openPort(port, path, &error))
        return fail(error);
    StringListJournal journal;
    TransactionEngine engine(port, journal);
    RawConsole console(engine);

    // After the first characters the rest of the answer follows within a few character times;
    // a short quiet period collects it.
    QTimer settle;
    settle.setSingleShot(true);
    settle.setInterval(150);
    QObject::connect(&port, &ModulePort::RxChar, &settle, [&] { settle.start(); });
    int status = 0;
    QObject::connect(&settle, &QTimer::timeout, &app, [&] {
        const QString answer = engine.ReceiveBuffer();
        out() << answer << Qt::endl;
        if (answer.contains(QLatin1Char('*'))) {
            err() << "marvek2-cli: the module refused the command" << Qt::endl;
            status = 2;
        }
        app.quit();
    });
    QObject::connect(&port, &ModulePort::PortLost, &app, [&](const QString& reason) {
        status = fail(path + QStringLiteral(": ") + reason);
        app.quit();
    });
    QTimer::singleShot(int(timeoutS * 1000), &app, [&] {
        if (settle.isActive())
            return; // the answer is being collected
        status = fail(QStringLiteral("no answer from the module within %1 s").arg(timeoutS), 3);
        app.quit();
    });

    console.send(text);
    app.exec();
    port.ClosePort();
    return status;
}

template <std::size_t N> QJsonArray digitsJson(const std::array<int, N>& digits) {
    QJsonArray array;
    for (const int d : digits)
        array.append(d);
    return array;
}

QJsonObject settingsJson(const ModuleSettings& s, const QStringList& readErrors) {
    namespace a = settings_map::address;
    // A byte the read could not take is null, never a number the module does not hold.
    auto known = [&](int address, const QJsonValue& value) {
        return s.isKnown(address) ? value : QJsonValue(QJsonValue::Null);
    };
    QJsonObject o;
    o.insert(QStringLiteral("name"), s.ModuleName);
    o.insert(QStringLiteral("Flags00"), known(a::Flags00, s.Flags00));
    o.insert(QStringLiteral("Flags01"), known(a::Flags01, s.Flags01));
    o.insert(QStringLiteral("Flags1F"), known(a::Flags1F, s.Flags1F));
    for (const NumericSettingField& field : NumericSettingFields())
        o.insert(QLatin1String(field.name), known(field.address, s.*(field.value)));
    o.insert(QStringLiteral("fuelFlowDigits"), digitsJson(s.FuelFlowDigits));
    o.insert(QStringLiteral("fuelCounterDigits"), digitsJson(s.FuelCounterDigits));
    o.insert(QStringLiteral("readErrors"), QJsonArray::fromStringList(readErrors));
    return o;
}

// The connection read as the program runs it at connect, with its real intervals.
int identify(QCoreApplication& app, const QString& path, double timeoutS, bool fast) {
    TBComPort port;
    QString error;
    if (!openPort(port, path, &error))
        return fail(error);
    StringListJournal journal;
    TransactionEngine engine(port, journal);
    engine.setFastTransfers(fast);
    ModuleSettingsModel model;
    ConnectRead read(engine, model);

    int status = 0;
    bool done = false; // the first outcome counts
    auto finish = [&](int code) {
        if (done)
            return;
        done = true;
        status = code;
        read.stop();
        app.quit();
    };
    auto printSettings = [&] {
        if (done)
            return;
        const QByteArray json = QJsonDocument(settingsJson(model.settings(), read.readErrors()))
                                    .toJson(QJsonDocument::Compact);
        std::fwrite(json.constData(), 1, size_t(json.size()), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
        finish(0);
    };
    // A foreign module is still a completed read: the name in the output tells.
    QObject::connect(&read, &ConnectRead::identified, &app, printSettings);
    QObject::connect(&read, &ConnectRead::foreignModule, &app, printSettings);
    QObject::connect(&read, &ConnectRead::unidentified, &app, [&] {
        if (!done)
            finish(fail(QStringLiteral("the module's name could not be read"), 4));
    });
    QObject::connect(&read, &ConnectRead::noAnswer, &app, [&] {
        err() << "marvek2-cli: no answer from the module yet, still trying" << Qt::endl;
    });
    QObject::connect(&engine, &TransactionEngine::moduleError, &app, [&] {
        if (!done)
            finish(fail(QStringLiteral("the module refused a command (answer \"*\")"), 2));
    });
    QObject::connect(&port, &ModulePort::PortLost, &app, [&](const QString& reason) {
        if (!done)
            finish(fail(path + QStringLiteral(": ") + reason));
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &app, [&] {
        if (!done)
            finish(fail(OutOfTime(QStringLiteral("the connection read"), timeoutS, engine), 3));
    });

    deadline.start(int(timeoutS * 1000));
    read.startRead();
    app.exec();
    port.ClosePort();
    return status;
}

} // namespace

int RunPorts(const QStringList& args) {
    QCommandLineParser parser;
    const QString usage = QStringLiteral("usage: marvek2-cli ports");
    if (const auto status = ParseVerb(parser, args, usage))
        return *status;
    if (!parser.positionalArguments().isEmpty())
        return fail(usage);
    return listPorts();
}

int RunSend(QCoreApplication& app, const QStringList& args) {
    QCommandLineParser parser;
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Serial port (device path or name)."),
                                  QStringLiteral("PATH"));
    const QCommandLineOption timeout(
        QStringLiteral("timeout"),
        QStringLiteral("Seconds to wait for the module's answer (default 5)."),
        QStringLiteral("S"));
    parser.addOptions({port, timeout});
    parser.addPositionalArgument(QStringLiteral("TEXT"),
                                 QStringLiteral("The command as typed, e.g. \"00*\"."));
    const QString usage = QStringLiteral("usage: marvek2-cli send --port PATH TEXT [--timeout S]");
    if (const auto status = ParseVerb(parser, args, usage))
        return *status;
    if (!parser.isSet(port) || parser.positionalArguments().size() != 1)
        return fail(usage);
    bool ok = !parser.isSet(timeout);
    const double seconds = ok ? 5 : parser.value(timeout).toDouble(&ok);
    if (!ok || !(seconds > 0))
        return fail(TransferOptions::TimeoutError());
    return sendRaw(app, parser.value(port), parser.positionalArguments().first(), seconds);
}

int RunIdentify(QCoreApplication& app, const QStringList& args) {
    QCommandLineParser parser;
    const TransferOptions transfer;
    transfer.addTo(parser);
    const QString usage = QStringLiteral(
        "usage: marvek2-cli identify --port PATH [--timeout S, default 30] [--fast]");
    if (const auto status = ParseVerb(parser, args, usage))
        return *status;
    if (!parser.isSet(transfer.port) || !parser.positionalArguments().isEmpty())
        return fail(usage);
    const std::optional<double> timeoutS = transfer.timeoutSeconds(parser, 30);
    if (!timeoutS)
        return fail(TransferOptions::TimeoutError());
    return identify(app, parser.value(transfer.port), *timeoutS, parser.isSet(transfer.fast));
}

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("marvek2-cli"));

    QStringList args = app.arguments();
    if (args.size() < 2 || args[1] == QLatin1String("--help") || args[1] == QLatin1String("-h")) {
        out() << usage;
        return args.size() < 2 ? 1 : 0;
    }
    const QString command = args.takeAt(1);
    if (command == QLatin1String("dump"))
        return RunDump(app, args);
    if (command == QLatin1String("restore"))
        return RunRestore(app, args);
    if (command == QLatin1String("log"))
        return RunLog(app, args);
    if (command == QLatin1String("table"))
        return RunTable(app, args);
    if (command == QLatin1String("curve"))
        return RunCurve(app, args);
    if (command == QLatin1String("diff"))
        return RunDiff(app, args);
    if (command == QLatin1String("link-check"))
        return RunLinkCheck(app, args);
    if (command == QLatin1String("analyze"))
        return RunAnalyze(app, args);

    if (command == QLatin1String("ports"))
        return RunPorts(args);
    if (command == QLatin1String("send"))
        return RunSend(app, args);
    if (command == QLatin1String("identify"))
        return RunIdentify(app, args);

    return fail(QStringLiteral("unknown command \"%1\"\n%2").arg(command, QLatin1String(usage)));
}
