#include "cli_common.h"
#include "languages.h"
#include "termination_signals.h"

#include "transaction_engine.h"
#include "wire_codec.h"

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

int fail(const Message& message, int status) {
    return fail(EnglishText(message), status);
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

std::optional<int> ParseVerb(QCommandLineParser& parser, const QStringList& args,
                             const QString& usage, int errorStatus) {
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    parser.addOption(help);
    if (!parser.parse(args))
        return fail(parser.errorText() + QLatin1Char('\n') + usage, errorStatus);
    if (!parser.isSet(help))
        return std::nullopt;
    out() << VerbHelp(parser, usage);
    out().flush();
    return 0;
}

QString VerbHelp(const QCommandLineParser& parser, const QString& usage) {
    // The parser's own usage line would name the program by the path it was started with; its
    // description, options and arguments follow that line.
    const QString listing = parser.helpText();
    QString text = usage;
    if (text.startsWith(QLatin1String("usage:")))
        text.replace(0, 1, QLatin1Char('U'));
    const QString rest = listing.mid(listing.indexOf(QLatin1Char('\n')) + 1);
    return text +
           (rest.startsWith(QLatin1Char('\n')) ? QStringLiteral("\n") : QStringLiteral("\n\n")) +
           rest;
}

QString OutputPath(const QCommandLineParser& parser, const QCommandLineOption& out,
                   const QString& defaultName) {
    return parser.isSet(out) ? parser.value(out) : defaultName;
}

QString OutOfTime(const QString& what, double timeoutS, const TransactionEngine& engine) {
    const QString command = engine.SentCommand();
    QString where;
    // A write names its address after the value ("A1F8)"), a read before its class character.
    const QStringView digits =
        command.endsWith(u')') ? QStringView(command).mid(2, 2) : QStringView(command).left(2);
    if (const std::optional<int> address = wire::DecodeByte(digits);
        address && command.endsWith(u'*') != command.endsWith(u')'))
        where = QStringLiteral(" (EEPROM-%1)").arg(wire::HumanAddress(*address));
    const QString cause =
        engine.owedAnswers() > 0
            ? QStringLiteral("no attributable answer to \"%1\"%2").arg(command, where)
            : QStringLiteral("the last command was \"%1\"%2").arg(command, where);
    QString text =
        QStringLiteral("%1 did not complete within %2 s: %3").arg(what).arg(timeoutS).arg(cause);
    if (engine.lateAnswers() > 0 || engine.lostSends() > 0)
        text += QStringLiteral(" (%1 late answers ignored, %2 commands lost)")
                    .arg(engine.lateAnswers())
                    .arg(engine.lostSends());
    return text;
}

void CancelOnTermination(QCoreApplication& app, TransactionEngine& engine,
                         const std::function<void(int status)>& finish) {
    // Gone with the engine: a signal after the transfer has nothing to cancel.
    auto* termination = new TerminationSignals(&engine);
    QObject::connect(termination, &TerminationSignals::terminationRequested, &app,
                     [&engine, finish] {
                         OperationStatus& operation = engine.operation();
                         if (!operation.cancellable()) {
                             finish(fail(QStringLiteral("interrupted"), kInterrupted));
                             return;
                         }
                         QObject::connect(
                             &operation, &OperationStatus::ended, &operation,
                             [finish](const Message& outcome) {
                                 finish(fail(BuiltInEnglish().message(outcome), kInterrupted));
                             },
                             Qt::SingleShotConnection);
                         operation.cancel();
                     });
}
