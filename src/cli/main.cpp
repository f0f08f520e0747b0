// marvek2-cli: the module link without a window, for scripts and service checks.
#include "com_port.h"
#include "journal_sink.h"
#include "raw_console.h"
#include "transaction_engine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

namespace {

QTextStream& out() {
    static QTextStream stream(stdout);
    return stream;
}

QTextStream& err() {
    static QTextStream stream(stderr);
    return stream;
}

int fail(const QString& message, int status = 1) {
    err() << "marvek2-cli: " << message << Qt::endl;
    return status;
}

const char* const usage =
    "Usage: marvek2-cli <command> [options]\n"
    "\n"
    "Commands:\n"
    "  ports                      list the serial ports, one a line\n"
    "  send --port PATH TEXT      send TEXT as typed (e.g. \"00*\"), repeat it\n"
    "                             every 50 ms until the module answers, print\n"
    "                             the answer [--timeout S, default 5]\n";

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

// Opens the module port the way the program does: 19200 8N1.
bool openPort(TBComPort& port, const QString& path, QString* error) {
    try {
        port.setBaudRate(TBaudRate::br19200);
        port.setPort(path);
        port.OpenPort();
        return true;
    } catch (const EComPort& e) {
        *error = path + QStringLiteral(": ") + e.message();
        return false;
    }
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

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("marvek2-cli"));

    QStringList args = app.arguments();
    if (args.size() < 2 || args[1] == QLatin1String("--help") || args[1] == QLatin1String("-h")) {
        out() << usage;
        return args.size() < 2 ? 1 : 0;
    }
    const QString command = args.takeAt(1);

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Serial port (device path or name)."),
                                        QStringLiteral("PATH"));
    const QCommandLineOption timeoutOption(QStringLiteral("timeout"),
                                           QStringLiteral("Seconds to wait for the module."),
                                           QStringLiteral("S"));
    parser.addOption(portOption);
    parser.addOption(timeoutOption);
    parser.addPositionalArgument(QStringLiteral("text"), QStringLiteral("Command text."));
    if (!parser.parse(args))
        return fail(parser.errorText());

    auto timeoutSeconds = [&](double fallback, double* value) {
        if (!parser.isSet(timeoutOption)) {
            *value = fallback;
            return true;
        }
        bool ok = false;
        *value = parser.value(timeoutOption).toDouble(&ok);
        return ok && *value > 0;
    };

    if (command == QLatin1String("ports"))
        return listPorts();

    if (command == QLatin1String("send")) {
        if (!parser.isSet(portOption) || parser.positionalArguments().size() != 1)
            return fail(QStringLiteral("usage: marvek2-cli send --port PATH TEXT [--timeout S]"));
        double timeout = 0;
        if (!timeoutSeconds(5, &timeout))
            return fail(QStringLiteral("--timeout takes a positive number of seconds"));
        return sendRaw(app, parser.value(portOption), parser.positionalArguments().first(),
                       timeout);
    }

    return fail(QStringLiteral("unknown command \"%1\"\n%2").arg(command, QLatin1String(usage)));
}
