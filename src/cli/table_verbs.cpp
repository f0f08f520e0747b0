// table read and table write: one injection table to and from a table file, with the same
// transfers as the window's buttons "Получить из модуля" and "Записать в модуль".
#include "cli_common.h"
#include "languages.h"

#include "com_port.h"
#include "injection_tables.h"
#include "journal_sink.h"
#include "table_file.h"
#include "table_transfer.h"
#include "transaction_engine.h"
#include "wire_codec.h"

#include <QCommandLineParser>
#include <QTimer>

#include <functional>
#include <optional>

namespace {

constexpr double kDefaultTimeoutS = 120;

const char* const kUsage = "usage: marvek2-cli table read water|fuel [--filter] --port PATH\n"
                           "       [--out FILE, default waterMAF.txt or fuelLambda.txt]\n"
                           "       marvek2-cli table write water|fuel FILE --port PATH [--clamp]\n"
                           "       [--timeout S, default 120] [--fast]";

std::optional<TableKind> kindNamed(const QString& name) {
    if (name == QLatin1String("water"))
        return TableKind::Water;
    if (name == QLatin1String("fuel"))
        return TableKind::Fuel;
    return std::nullopt;
}

int failWith(const Message& message) {
    return fail(EnglishText(message));
}

// Runs one transfer to its end: completed (0), failed read (5), module error (2), port lost (1),
// out of time (3), or cancelled by SIGINT or SIGTERM (130).
int runTransfer(QCoreApplication& app, const QString& portPath, double timeoutS, bool fast,
                InjectionTables& tables,
                const std::function<std::optional<Message>(TableTransfer&)>& start) {
    TBComPort port;
    QString error;
    if (!openPort(port, portPath, &error))
        return fail(error);
    StringListJournal journal;
    TransactionEngine engine(port, journal);
    engine.setFastTransfers(fast);
    TableTransfer transfer(engine, tables);

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
    QObject::connect(&transfer, &TableTransfer::completed, &app, [&] { finish(0); });
    QObject::connect(&transfer, &TableTransfer::failed, &app, [&](TableKind kind, int) {
        const CellPosition at = transfer.cursor();
        finish(fail(
            QStringLiteral("the %1 table could not be read at column %2, row %3 "
                           "(EEPROM-%4): more than %5 malformed answers in a row")
                .arg(kind == TableKind::Water ? QStringLiteral("water") : QStringLiteral("fuel"))
                .arg(at.column)
                .arg(at.row)
                .arg(wire::HumanAddress(CellEepromAddress(kind, at.column, at.row)))
                .arg(TableTransfer::BadAnswerLimit),
            5));
    });
    QObject::connect(&engine, &TransactionEngine::moduleError, &app, [&] {
        finish(fail(QStringLiteral("the module refused a command (answer \"*\")"), 2));
    });
    QObject::connect(&port, &ModulePort::PortLost, &app, [&](const QString& reason) {
        finish(fail(portPath + QStringLiteral(": ") + reason));
    });
    int reportedRow = 0;
    QObject::connect(&engine, &TransactionEngine::progressChanged, &app, [&] {
        const CellPosition at = transfer.cursor();
        if (at.row == reportedRow)
            return;
        reportedRow = at.row;
        err() << "marvek2-cli: " << (transfer.verifyPass() ? "checking" : "row") << ' ' << at.row
              << Qt::endl;
    });
    CancelOnTermination(app, engine, finish);
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &app, [&] {
        finish(fail(OutOfTime(QStringLiteral("the transfer"), timeoutS, engine), 3));
    });
    deadline.start(int(timeoutS * 1000));
    QTimer::singleShot(0, &app, [&] {
        if (const auto refusal = start(transfer))
            finish(failWith(*refusal));
    });
    app.exec();
    engine.stopAll();
    port.ClosePort();
    return status;
}

} // namespace

int RunTable(QCoreApplication& app, const QStringList& args) {
    QCommandLineParser parser;
    const TransferOptions transfer;
    const QCommandLineOption out(QStringLiteral("out"),
                                 QStringLiteral("read: table file to write, exactly this name."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption filter(QStringLiteral("filter"),
                                    QStringLiteral("read: read every cell six times and keep the "
                                                   "most frequent value."));
    const QCommandLineOption clamp(QStringLiteral("clamp"),
                                   QStringLiteral("write: write a file with values out of the "
                                                  "range 0.01..25.5 limited to it (refused "
                                                  "without)."));
    transfer.addTo(parser);
    parser.addOptions({out, filter, clamp});
    parser.addPositionalArgument(QStringLiteral("read|write"), QStringLiteral("The transfer."));
    parser.addPositionalArgument(QStringLiteral("water|fuel"), QStringLiteral("The table."));
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("write: the table file to write into the module."));
    if (const auto status = ParseVerb(parser, args, QLatin1String(kUsage)))
        return *status;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() < 2 || !parser.isSet(transfer.port))
        return fail(QLatin1String(kUsage));
    const QString verb = positional.at(0);
    const auto kind = kindNamed(positional.at(1));
    if (!kind)
        return fail(QStringLiteral("the table is \"water\" or \"fuel\"\n") + QLatin1String(kUsage));
    const std::optional<double> timeoutS = transfer.timeoutSeconds(parser, kDefaultTimeoutS);
    if (!timeoutS)
        return fail(TransferOptions::TimeoutError());

    InjectionTables tables;
    if (verb == QLatin1String("read")) {
        if (positional.size() != 2 || parser.isSet(clamp))
            return fail(QLatin1String(kUsage));
        const QString file = OutputPath(parser, out, TableFileName(*kind, positional.at(1)));
        const bool filtered = parser.isSet(filter);
        const int status =
            runTransfer(app, parser.value(transfer.port), *timeoutS, parser.isSet(transfer.fast),
                        tables, [&](TableTransfer& t) { return t.startRead(*kind, filtered); });
        if (status != 0)
            return status; // nothing is saved from an incomplete read
        if (const auto error = WriteTableFile(file, tables.data(*kind).cells()))
            return failWith(*error);
        err() << "marvek2-cli: 64 cells saved to " << file << Qt::endl;
        return 0;
    }
    if (verb == QLatin1String("write")) {
        if (positional.size() != 3 || parser.isSet(out) || parser.isSet(filter))
            return fail(QLatin1String(kUsage));
        // The whole file is checked before the port is opened: a bad file sends nothing.
        const TableFileContent content = ReadTableFile(positional.at(2), tables.format());
        if (!content.ok())
            return failWith(*content.error);
        if (content.limitedCount > 0 && !parser.isSet(clamp))
            return fail(QStringLiteral("%1, line %2: %3 values out of the range 0.01 to 25.5 ms; "
                                       "nothing was sent (--clamp writes them limited)")
                            .arg(positional.at(2))
                            .arg(content.firstLimitedLine)
                            .arg(content.limitedCount));
        for (const Message& notice : content.notices)
            err() << "marvek2-cli: " << EnglishText(notice) << Qt::endl;
        tables.loadCells(*kind, content.cells);
        const int status =
            runTransfer(app, parser.value(transfer.port), *timeoutS, parser.isSet(transfer.fast),
                        tables, [&](TableTransfer& t) { return t.startWrite(*kind); });
        if (status == 0)
            err() << "marvek2-cli: 64 cells written and read back" << Qt::endl;
        return status;
    }
    return fail(QStringLiteral("unknown table verb \"%1\"\n").arg(verb) + QLatin1String(kUsage));
}
