#include "pty_rig.h"

#include "wire_codec.h"

#include <QEventLoop>
#include <QTest>
#include <QTimer>

PtyRig::PtyRig(const QByteArray& image, double intervalScale) {
    QString error;
    started = module.start(&error);
    if (!started)
        qWarning() << "simulator:" << error;
    module.module().setEngineEnabled(false);
    if (started && !image.isEmpty())
        started = module.module().setEeprom(image);
    port.setBaudRate(TBaudRate::br19200);
    port.setPort(module.slavePath());
    engine.setIntervalScale(intervalScale);
}

bool PtyRig::open() {
    try {
        return port.OpenPort();
    } catch (const EComPort& e) {
        qWarning() << e.message();
        return false;
    }
}

void PtyRig::setFaults(quint32 seed, const sim::FaultRates& rates) {
    module.module().setSeed(seed);
    module.module().setFaults(rates);
}

sim::FaultRates BusyModule(double rate, double lose) {
    sim::FaultRates rates;
    rates.busy = rate;
    rates.busyMs = 130;
    rates.lose = lose;
    return rates;
}

sim::FaultRates LateModule(double rate, double lose) {
    sim::FaultRates rates;
    rates.delay = rate;
    rates.delayMs = 130;
    rates.lose = lose;
    return rates;
}

sim::FaultRates LineFaults(double drop, double split, double corrupt, double lower) {
    sim::FaultRates rates;
    rates.drop = drop;
    rates.split = split;
    rates.corrupt = corrupt;
    rates.lower = lower;
    return rates;
}

int WrittenAddress(const QString& command) {
    if (command.size() != 5 || !command.endsWith(QLatin1Char(')')))
        return -1;
    return wire::DecodeByte(QStringView(command).mid(2)).value_or(-1);
}

QStringList ImageDifferences(const QByteArray& actual, const QByteArray& expected) {
    const auto byteAt = [](const QByteArray& image, int i) {
        return i < image.size() ? quint8(image.at(i)) : quint8(0);
    };
    QStringList out;
    for (int i = 0; i < 256; ++i) {
        if (i >= actual.size() || i >= expected.size() || byteAt(actual, i) != byteAt(expected, i))
            out << QStringLiteral("EEPROM-%1 %2/%3")
                       .arg(i, 2, 16, QLatin1Char('0'))
                       .arg(byteAt(actual, i), 2, 16, QLatin1Char('0'))
                       .arg(byteAt(expected, i), 2, 16, QLatin1Char('0'));
    }
    return out;
}

bool CliRun::run(const QString& program, const QStringList& args, int timeoutMs) {
    process.start(program, args);
    if (!process.waitForStarted(5000))
        return false;
    // The simulator lives in this thread's event loop: run the loop until the program ends.
    // (QTest::qWait sleeps between its rounds, which would hold every answer back by up to 10 ms.)
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    if (process.state() != QProcess::NotRunning) {
        deadline.start(timeoutMs);
        loop.exec();
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
        return false;
    }
    err = process.readAllStandardError();
    out = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit;
}
