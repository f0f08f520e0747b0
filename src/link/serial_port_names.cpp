// The one place that knows how the platform names its serial ports.
#include "com_port.h"

#include <QSerialPortInfo>

QStringList PlatformSerialPortNames() {
    QStringList names;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
        names << info.portName();
#else
        names << info.systemLocation();
#endif
    }
    return names;
}
