// dump and restore: the module's whole EEPROM to and from a file.
//
// dump reads nothing but the EEPROM, so it runs without the connection read: it also saves a
// module whose name bytes are damaged. restore first runs the connection read and writes only
// into a module identified as a Marvek-2, as the program does (its write button is locked until
// then); phase 2 then composes every setting from the file itself, as if the file had been
// opened on the template page and copied onto the settings page.
#include "cli_common.h"

#include "com_port.h"
#include "connect_read.h"
#include "dump_file.h"
#include "journal_sink.h"
#include "module_settings.h"
#include "settings_features.h"
#include "transaction_engine.h"
#include "wire_codec.h"

#include <QCommandLineParser>
#include <QTimer>

#include <functional>
#include <optional>

namespace {

constexpr double kDefaultTimeoutS = 120;
constexpr int kProgressEvery = 32; // addresses between progress lines

struct VerbOptions {
    QString port;
    QString out;
    QStringList positional;
    double timeoutS = kDefaultTimeoutS;
    bool fast = false;
};

const char* const kDumpUsage =
    "usage: marvek2-cli dump --port PATH [--out FILE, default dump.mmr2]\n"
    "       [--timeout S, default 120] [--fast]";
const char* const kRestoreUsage =
    "usage: marvek2-cli restore --port PATH FILE [--timeout S, default 120] [--fast]";

// Parses --port, --out (dump only), --timeout and --fast; returns the status the run ends with
// (help, or a mistake), or nothing.
std::optional<int> parseOptions(const QStringList& args, bool withOut, VerbOptions* options) {
    QCommandLineParser parser;
    const TransferOptions transfer;
    const QCommandLineOption out(QStringLiteral("out"),
                                 QStringLiteral("Dump file to write, exactly this name."),
                                 QStringLiteral("FILE"));
    transfer.addTo(parser);
    if (withOut)
        parser.addOption(out);
    else
        parser.addPositionalArgument(QStringLiteral("FILE"),
                                     QStringLiteral("Dump file (.mmr2) to write into the module."));
    const QString usage = QLatin1String(withOut ? kDumpUsage : kRestoreUsage);
    if (const auto status = ParseVerb(parser, args, usage))
        return status;
    const std::optional<double> timeoutS = transfer.timeoutSeconds(parser, options->timeoutS);
    if (!timeoutS)
        return fail(TransferOptions::TimeoutError());
    options->timeoutS = *timeoutS;
    options->port = parser.value(transfer.port);
    if (withOut)
        options->out =
            OutputPath(parser, out, QStringLiteral("dump") + QLatin1String(kDumpFileSuffix));
    options->positional = parser.positionalArguments();
    options->fast = parser.isSet(transfer.fast);
    if (options->port.isEmpty() || options->positional.size() != (withOut ? 0 : 1))
        return fail(usage);
    return std::nullopt;
}

// The port, the engine and the settings operations of one run, and its outcome.
class Run {
public:
    Run(QCoreApplication& app, bool fast) : m_app(app) { engine.setFastTransfers(fast); }

    bool open(const QString& path) {
        QString error;
        if (!openPort(port, path, &error)) {
            fail(error);
            return false;
        }
        m_portPath = path;
        QObject::connect(&port, &ModulePort::PortLost, &m_app, [this](const QString& reason) {
            fail(m_portPath + QStringLiteral(": ") + reason);
        });
        QObject::connect(&engine, &TransactionEngine::moduleError, &m_app, [this] {
            fail(QStringLiteral("the module refused a command (answer \"*\")"), 2);
        });
        QObject::connect(
            &features.context(), &SettingsContext::refused, &m_app,
            [this](const QString&, StartResult, const QString& message) { fail(message); });
        QObject::connect(&features.dumps(), &DumpFiles::failed, &m_app,
                         [this](const QString& message) { fail(message); });
        return true;
    }

    int exec(double timeoutS, const std::function<void()>& start) {
        QTimer deadline;
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, &m_app, [&] {
            fail(OutOfTime(QStringLiteral("the transfer"), timeoutS, engine), 3);
        });
        deadline.start(int(timeoutS * 1000));
        CancelOnTermination(m_app, engine, [this](int status) { finish(status); });
        QTimer::singleShot(0, &m_app, start);
        m_app.exec();
        engine.stopAll();
        port.ClosePort();
        return m_status;
    }

    void finish(int status) {
        if (m_done)
            return;
        m_done = true;
        m_status = status;
        engine.stopAll();
        m_app.quit();
    }
    // The first outcome is the one reported: stopping the transfer makes it report a stop of its
    // own, which would otherwise follow as a second, wrong cause.
    void fail(const QString& message, int status = 1) {
        if (!m_done)
            finish(::fail(message, status));
    }

    // "EEPROM-40" lines on standard error as the transfer moves on.
    void reportAddresses(const QString& verb) {
        QObject::connect(&engine, &TransactionEngine::progressChanged, &m_app, [this, verb] {
            const int address = features.dumps().address();
            if (address / kProgressEvery == m_reported / kProgressEvery)
                return;
            m_reported = address;
            err() << "marvek2-cli: " << verb << " EEPROM-" << wire::HumanAddress(address)
                  << Qt::endl;
        });
    }

    TBComPort port;
    StringListJournal journal;
    TransactionEngine engine{port, journal};
    ModuleSettingsModel model;
    SettingsFeatures features{engine, model};

private:
    QCoreApplication& m_app;
    QString m_portPath;
    int m_status = 1;
    bool m_done = false;
    int m_reported = 0;
};

} // namespace

int RunDump(QCoreApplication& app, const QStringList& args) {
    VerbOptions options;
    if (const auto status = parseOptions(args, true, &options))
        return *status;

    Run run(app, options.fast);
    if (!run.open(options.port))
        return 1;
    run.reportAddresses(QStringLiteral("reading"));
    QObject::connect(&run.features.dumps(), &DumpFiles::saved, &app, [&](const QString& path) {
        err() << "marvek2-cli: 256 bytes saved to " << path << Qt::endl;
        run.finish(0);
    });
    return run.exec(options.timeoutS, [&] {
        err() << "marvek2-cli: reading EEPROM-00" << Qt::endl;
        run.features.dumps().saveToFile(options.out);
    });
}

int RunRestore(QCoreApplication& app, const QStringList& args) {
    VerbOptions options;
    if (const auto status = parseOptions(args, false, &options))
        return *status;
    const QString file = options.positional.first();
    // The whole file is checked before the port is even opened: a bad file sends nothing.
    if (const DumpFileContent content = ReadDumpFile(file); !content.ok())
        return fail(content.error);

    Run run(app, options.fast);
    if (!run.open(options.port))
        return 1;
    ConnectRead read(run.engine, run.model);
    run.features.follow(read);
    DumpFiles& dumps = run.features.dumps();

    QObject::connect(&read, &ConnectRead::identified, &app, [&](const QString& name) {
        err() << "marvek2-cli: module \"" << name << "\" identified; writing " << file << Qt::endl;
        run.features.Btn_Raschet_Marvek_2Click();
        if (!dumps.openFromFile(file))
            return; // failed() has ended the run
        dumps.saveToModule();
    });
    QObject::connect(&read, &ConnectRead::foreignModule, &app, [&](const QString& name) {
        run.finish(fail(
            QStringLiteral("the module \"%1\" is not a Marvek-2; nothing was written").arg(name),
            4));
    });
    QObject::connect(&read, &ConnectRead::unidentified, &app, [&] {
        run.finish(
            fail(QStringLiteral("the module's name could not be read; nothing was written"), 4));
    });
    QObject::connect(&read, &ConnectRead::noAnswer, &app, [&] {
        err() << "marvek2-cli: no answer from the module yet, still trying" << Qt::endl;
    });
    run.reportAddresses(QStringLiteral("writing"));
    QObject::connect(&dumps, &DumpFiles::settingsWriteStarted, &app,
                     [&] { err() << "marvek2-cli: writing the settings" << Qt::endl; });
    QObject::connect(&dumps, &DumpFiles::verificationStarted, &app,
                     [&] { err() << "marvek2-cli: reading every written byte back" << Qt::endl; });
    QObject::connect(&dumps, &DumpFiles::written, &app, [&](const QString& path) {
        err() << "marvek2-cli: " << path << " written into the module and read back" << Qt::endl;
        run.finish(0);
    });
    return run.exec(options.timeoutS, [&] {
        err() << "marvek2-cli: reading the module's settings" << Qt::endl;
        read.startRead();
    });
}
