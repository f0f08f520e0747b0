// curve read and curve write: the emulation curve to and from a curve file, with the same
// transfers as the window's buttons "Получить из модуля" and "Записать в модуль".
#include "cli_common.h"
#include "languages.h"

#include "com_port.h"
#include "curve_file.h"
#include "curve_model.h"
#include "curve_transfer.h"
#include "journal_sink.h"
#include "transaction_engine.h"

#include <QCommandLineParser>
#include <QTimer>

#include <functional>

namespace {

constexpr double kDefaultTimeoutS = 120;

const char* const kUsage =
    "usage: marvek2-cli curve read [--filter] --port PATH [--out FILE, default curveEmu.txt]\n"
    "       marvek2-cli curve write FILE --port PATH [--clamp]\n"
    "       [--timeout S, default 120] [--fast]";

int failWith(const curve::Message& message, int status = 1) {
    return fail(EnglishText(message), status);
}

// Runs one transfer to its end: complete and verified (0), read stopped by disagreeing answers
// (5), module error (2), port lost or refused start (1), out of time (3), cancelled by SIGINT or
// SIGTERM (130).
int runTransfer(QCoreApplication& app, const QString& portPath, double timeoutS, bool fast,
                curve::CurveModel& model,
                const std::function<curve::CurveStart(curve::CurveTransfer&)>& start) {
    TBComPort port;
    QString error;
    if (!openPort(port, portPath, &error))
        return fail(error);
    StringListJournal journal;
    TransactionEngine engine(port, journal);
    engine.setFastTransfers(fast);
    curve::CurveTransfer transfer(engine, model);

    int status = 1;
    bool done = false;
    auto finish = [&](int code) {
        if (done)
            return;
        done = true;
        status = code;
        engine.stopAll();
        app.quit();
    };
    QObject::connect(&transfer, &curve::CurveTransfer::readFinished, &app,
                     [&](bool complete, const curve::Message& message) {
                         finish(complete ? 0 : failWith(message, 5));
                     });
    QObject::connect(&transfer, &curve::CurveTransfer::writeFinished, &app, [&] { finish(0); });
    QObject::connect(&transfer, &curve::CurveTransfer::refused, &app,
                     [&](const curve::Message& message) { finish(failWith(message)); });
    QObject::connect(&engine, &TransactionEngine::moduleError, &app, [&] {
        finish(fail(QStringLiteral("the module refused a command (answer \"*\")"), 2));
    });
    QObject::connect(&port, &ModulePort::PortLost, &app, [&](const QString& reason) {
        finish(fail(portPath + QStringLiteral(": ") + reason));
    });
    CancelOnTermination(app, engine, finish);
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &app, [&] {
        finish(fail(OutOfTime(QStringLiteral("the transfer"), timeoutS, engine), 3));
    });
    deadline.start(int(timeoutS * 1000));
    QTimer::singleShot(0, &app, [&] { start(transfer); });
    app.exec();
    engine.stopAll();
    port.ClosePort();
    return status;
}

} // namespace

int RunCurve(QCoreApplication& app, const QStringList& args) {
    QCommandLineParser parser;
    const TransferOptions transfer;
    const QCommandLineOption out(QStringLiteral("out"),
                                 QStringLiteral("read: curve file to write, exactly this name."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption filter(QStringLiteral("filter"),
                                    QStringLiteral("read: read every point six times and keep "
                                                   "the most frequent value."));
    const QCommandLineOption clamp(QStringLiteral("clamp"),
                                   QStringLiteral("write: write a file with values out of the "
                                                  "range 0..5 V limited to it (refused without)."));
    transfer.addTo(parser);
    parser.addOptions({out, filter, clamp});
    parser.addPositionalArgument(QStringLiteral("read|write"), QStringLiteral("The transfer."));
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("write: the curve file to write into the module."));
    if (const auto status = ParseVerb(parser, args, QLatin1String(kUsage)))
        return *status;
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty() || !parser.isSet(transfer.port))
        return fail(QLatin1String(kUsage));
    const QString verb = positional.at(0);
    const std::optional<double> timeoutS = transfer.timeoutSeconds(parser, kDefaultTimeoutS);
    if (!timeoutS)
        return fail(TransferOptions::TimeoutError());

    curve::CurveModel model;
    if (verb == QLatin1String("read")) {
        if (positional.size() != 1 || parser.isSet(clamp))
            return fail(QLatin1String(kUsage));
        const QString file = OutputPath(parser, out, curve::CurveFileName(QStringLiteral("curve")));
        const bool filtered = parser.isSet(filter);
        const int status =
            runTransfer(app, parser.value(transfer.port), *timeoutS, parser.isSet(transfer.fast),
                        model, [&](curve::CurveTransfer& t) {
                            t.setFilterOn(filtered);
                            return t.startRead();
                        });
        if (status != 0)
            return status; // nothing is saved from an incomplete read
        if (const curve::Message error = curve::WriteCurveFile(file, model.texts());
            !error.isEmpty())
            return failWith(error);
        err() << "marvek2-cli: 64 points saved to " << file << Qt::endl;
        return 0;
    }
    if (verb == QLatin1String("write")) {
        if (positional.size() != 2 || parser.isSet(out) || parser.isSet(filter))
            return fail(QLatin1String(kUsage));
        // The whole file is checked before the port is opened: a bad file sends nothing.
        const curve::CurveFileContent content =
            curve::ReadCurveFile(positional.at(1), model.format());
        if (!content.ok())
            return failWith(content.error);
        if (content.limitedCount > 0 && !parser.isSet(clamp))
            return fail(QStringLiteral("%1, line %2: %3 values out of the range 0 to 5 V; nothing "
                                       "was sent (--clamp writes them limited)")
                            .arg(positional.at(1))
                            .arg(content.firstLimitedLine)
                            .arg(content.limitedCount));
        for (const curve::Message& notice : content.notices)
            err() << "marvek2-cli: " << EnglishText(notice) << Qt::endl;
        model.load(content.texts);
        const int status =
            runTransfer(app, parser.value(transfer.port), *timeoutS, parser.isSet(transfer.fast),
                        model, [&](curve::CurveTransfer& t) { return t.startWrite(); });
        if (status == 0)
            err() << "marvek2-cli: 64 points written and read back" << Qt::endl;
        return status;
    }
    return fail(QStringLiteral("unknown curve verb \"%1\"\n").arg(verb) + QLatin1String(kUsage));
}
