#include "cli_common.h"

#include <QCommandLineParser>

#include "com_port.h"

QTextStream& out() {
    static QTextStream stream(stdout);
    return stream;
}

QTextStream& err() {
    static QTextStream stream(stderr);
    return stream;
}

int fail(const QString& message, int status) {
    err() << "marvek2-cli: " << message << Qt::endl;
    return status;
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

TransferOptions::TransferOptions()
    : port(QStringLiteral("port"), QStringLiteral("Serial port."), QStringLiteral("PATH")),
      timeout(QStringLiteral("timeout"), QStringLiteral("Seconds the whole transfer may take."),
              QStringLiteral("S")),
      fast(QStringLiteral("fast"),
           QStringLiteral("Send each command as soon as the module answered the one before.")) {}

void TransferOptions::addTo(QCommandLineParser& parser) const {
    for (const QCommandLineOption* option : {&port, &timeout, &fast})
        parser.addOption(*option);
}

std::optional<double> TransferOptions::timeoutSeconds(const QCommandLineParser& parser,
                                                      double defaultS) const {
    if (!parser.isSet(timeout))
        return defaultS;
    bool ok = false;
    const double seconds = parser.value(timeout).toDouble(&ok);
    if (!ok || !(seconds > 0))
        return std::nullopt;
    return seconds;
}

QString TransferOptions::TimeoutError() {
    return QStringLiteral("--timeout takes a positive number of seconds");
}
