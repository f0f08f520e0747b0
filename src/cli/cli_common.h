#pragma once

#include "message.h"

#include <QCommandLineOption>
#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>
#include <optional>

class QCommandLineParser;
class TBComPort;
class TransactionEngine;

// What every verb of marvek2-cli shares.
QTextStream& out();
QTextStream& err();
// Writes "marvek2-cli: message" on standard error and returns status.
int fail(const QString& message, int status = 1);
// The same with a program message, worded in the built-in English.
int fail(const Message& message, int status = 1);
// Opens the module port the way the program does: 19200 8N1. On failure error names the port.
bool openPort(TBComPort& port, const QString& path, QString* error);

// Why a transfer ran out of time, for its message: "the transfer did not complete within 30 s:
// no answer to 'F8*' (EEPROM-8F) ...".
QString OutOfTime(const QString& what, double timeoutS, const TransactionEngine& engine);

// The exit status of a run cut short by SIGINT or SIGTERM.
constexpr int kInterrupted = 130;
// SIGINT and SIGTERM cancel the running transfer (a read at once, a write after the item in
// hand); what it reports of its end goes to standard error, then finish(kInterrupted).
void CancelOnTermination(QCoreApplication& app, TransactionEngine& engine,
                         const std::function<void(int status)>& finish);

// The options every transfer verb takes: --port PATH, --timeout S and --fast.
struct TransferOptions {
    TransferOptions();
    void addTo(QCommandLineParser& parser) const;
    // The --timeout value, or defaultS when it is not given; nothing when it is not a positive
    // number of seconds (TimeoutError says so).
    std::optional<double> timeoutSeconds(const QCommandLineParser& parser, double defaultS) const;
    static QString TimeoutError();

    QCommandLineOption port;
    QCommandLineOption timeout;
    QCommandLineOption fast;
};

// Parses a verb's arguments with -h, --help added. Returns the status the run ends with: 0
// after printing the verb's help, errorStatus after a bad option (its error and the usage on
// standard error); nothing when the verb goes on. usage begins "usage: marvek2-cli VERB".
std::optional<int> ParseVerb(QCommandLineParser& parser, const QStringList& args,
                             const QString& usage, int errorStatus = 1);
// The verb's usage followed by every option the parser takes, each with its text.
QString VerbHelp(const QCommandLineParser& parser, const QString& usage);

// The file a verb writes: the --out value exactly as given, else defaultName (with its format's
// usual suffix) in the current folder.
QString OutputPath(const QCommandLineParser& parser, const QCommandLineOption& out,
                   const QString& defaultName);

// Verbs with files of their own. args holds the program name followed by the verb's arguments.
int RunDump(QCoreApplication& app, const QStringList& args);
int RunRestore(QCoreApplication& app, const QStringList& args);
int RunLog(QCoreApplication& app, const QStringList& args);
int RunTable(QCoreApplication& app, const QStringList& args);
int RunCurve(QCoreApplication& app, const QStringList& args);
int RunDiff(QCoreApplication& app, const QStringList& args);
int RunLinkCheck(QCoreApplication& app, const QStringList& args);
int RunAnalyze(QCoreApplication& app, const QStringList& args);
// ports, send and identify.
int RunPorts(const QStringList& args);
int RunSend(QCoreApplication& app, const QStringList& args);
int RunIdentify(QCoreApplication& app, const QStringList& args);
