#include "cli_common.h"

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
