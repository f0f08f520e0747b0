// log: recording the live values without a window.
#include "cli_common.h"
#include "com_port.h"
#include "connect_read.h"
#include "decimal_format.h"
#include "journal_sink.h"
#include "live_recorder.h"
#include "module_settings.h"
#include "record_csv.h"
#include "record_file.h"
#include "transaction_engine.h"

#include <QCommandLineParser>
#include <QTimer>

#include <cmath>
#include <optional>

namespace {

constexpr int kConnectTimeoutMs = 30000;
constexpr int kShortestIntervalMs = 50; // one poll step
constexpr int kLongestIntervalMs = 60000;

const char* const logUsage =
    "usage: marvek2-cli log --port PATH --seconds N [--out FILE, default log_data.txt or log.csv]\n"
    "       [--interval MS] [--csv]";

struct LogOptions {
    QString port;
    double seconds = 0;
    QString out;
    int intervalMs = telemetry::kDefaultGraphIntervalMs;
    bool csv = false;
};

// Parses the verb's arguments; returns the status the run ends with (help, or a mistake), or
// nothing.
std::optional<int> parseLogOptions(const QStringList& args, LogOptions* options) {
    QCommandLineParser parser;
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Serial port."),
                                  QStringLiteral("PATH"));
    const QCommandLineOption seconds(QStringLiteral("seconds"),
                                     QStringLiteral("Seconds of samples to record."),
                                     QStringLiteral("N"));
    const QCommandLineOption out(QStringLiteral("out"),
                                 QStringLiteral("Record file to write, exactly this name."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption interval(
        QStringLiteral("interval"),
        QStringLiteral("Milliseconds between samples, %1 to %2 (default %3).")
            .arg(kShortestIntervalMs)
            .arg(kLongestIntervalMs)
            .arg(telemetry::kDefaultGraphIntervalMs),
        QStringLiteral("MS"));
    const QCommandLineOption csv(QStringLiteral("csv"),
                                 QStringLiteral("Write a table for spreadsheets instead of a "
                                                "record file."));
    parser.addOptions({port, seconds, out, interval, csv});
    if (const auto status = ParseVerb(parser, args, QLatin1String(logUsage)))
        return status;
    if (!parser.isSet(port) || !parser.isSet(seconds) || !parser.positionalArguments().isEmpty())
        return fail(QLatin1String(logUsage));
    options->port = parser.value(port);
    options->csv = parser.isSet(csv);
    options->out = OutputPath(parser, out,
                              options->csv ? QStringLiteral("log.csv")
                                           : telemetry::RecordFileName(QStringLiteral("log")));
    bool ok = false;
    options->seconds = parser.value(seconds).toDouble(&ok);
    if (!ok || !(options->seconds > 0) || !std::isfinite(options->seconds))
        return fail(QStringLiteral("--seconds takes a positive number of seconds"));
    if (parser.isSet(interval)) {
        options->intervalMs = parser.value(interval).toInt(&ok);
        if (!ok || options->intervalMs < kShortestIntervalMs ||
            options->intervalMs > kLongestIntervalMs)
            return fail(QStringLiteral("--interval takes milliseconds from %1 to %2")
                            .arg(kShortestIntervalMs)
                            .arg(kLongestIntervalMs));
    }
    return std::nullopt;
}

} // namespace

// The connection read first (the poll scales fuel values by the FuelFlowFactor it leaves), then
// one recording with the program's graph tick and poll cycle until N seconds of samples are
// taken: N × 1000 / MS samples, the first at time 0.
int RunLog(QCoreApplication& app, const QStringList& args) {
    LogOptions options;
    if (const auto status = parseLogOptions(args, &options))
        return *status;
    const qint64 sampleTarget =
        std::max<qint64>(1, qint64(std::floor(options.seconds * 1000 / options.intervalMs + 1e-9)));

    TBComPort port;
    QString error;
    if (!openPort(port, options.port, &error))
        return fail(error);
    StringListJournal journal;
    TransactionEngine engine(port, journal);
    ModuleSettingsModel settings;
    ConnectRead read(engine, settings);
    telemetry::LiveRecorder recorder(engine, settings);
    recorder.setGraphIntervalMs(options.intervalMs);

    int status = 0;
    bool done = false;
    auto finish = [&](int code) {
        if (done)
            return;
        done = true;
        status = code;
        read.stop();
        recorder.stop();
        app.quit();
    };

    QTimer connectDeadline;
    connectDeadline.setSingleShot(true);
    QObject::connect(&connectDeadline, &QTimer::timeout, &app, [&] {
        finish(fail(QStringLiteral("the connection read did not complete within %1 s")
                        .arg(kConnectTimeoutMs / 1000),
                    3));
    });
    QObject::connect(&read, &ConnectRead::identified, &app, [&] {
        connectDeadline.stop();
        recorder.start();
    });
    QObject::connect(&read, &ConnectRead::foreignModule, &app, [&](const QString& name) {
        finish(fail(QStringLiteral("the module is not a Marvek-2 (name \"%1\")").arg(name), 4));
    });
    QObject::connect(&read, &ConnectRead::unidentified, &app, [&] {
        finish(fail(QStringLiteral("the module's name could not be read"), 4));
    });
    QObject::connect(&read, &ConnectRead::noAnswer, &app, [&] {
        err() << "marvek2-cli: no answer from the module yet, still trying" << Qt::endl;
    });
    // Writes what the recording holds; an error text, or empty.
    auto save = [&](const telemetry::Recording& recording) {
        const DecimalFormat format;
        return options.csv ? telemetry::WriteCsvFile(options.out, recording.grid(), format)
                           : telemetry::WriteRecordFile(options.out, recording.grid(), format);
    };
    // A recording cut short by the module or the port keeps what it has: the samples are saved,
    // then the cause is reported with its exit status.
    const telemetry::Recording* recording = nullptr;
    auto interrupted = [&](const QString& cause, int code) {
        if (done)
            return;
        if (recording && recording->sampleCount() > 0) {
            const QString written = save(*recording);
            if (written.isEmpty())
                err() << "marvek2-cli: " << recording->sampleCount() << " of " << sampleTarget
                      << " samples written to " << options.out << Qt::endl;
            else
                err() << "marvek2-cli: " << written << Qt::endl;
        }
        finish(fail(cause, code));
    };
    QObject::connect(&recorder, &telemetry::LiveRecorder::tickCompleted, &app,
                     [&] { recording = recorder.liveRecording(); });
    QObject::connect(&engine, &TransactionEngine::moduleError, &app, [&] {
        interrupted(QStringLiteral("the module refused a command (answer \"*\")"), 2);
    });
    QObject::connect(&port, &ModulePort::PortLost, &app, [&](const QString& reason) {
        interrupted(options.port + QStringLiteral(": ") + reason, 1);
    });
    QObject::connect(&recorder, &telemetry::LiveRecorder::tickCompleted, &app, [&] {
        if (done || !recording || recording->sampleCount() < sampleTarget)
            return;
        recorder.stop();
        if (const QString written = save(*recording); !written.isEmpty()) {
            finish(fail(written));
            return;
        }
        out() << recording->sampleCount() << " samples written to " << options.out << Qt::endl;
        finish(0);
    });

    connectDeadline.start(kConnectTimeoutMs);
    read.startRead();
    app.exec();
    port.ClosePort();
    return status;
}
