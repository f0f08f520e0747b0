#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QTextStream>

class TBComPort;

// What every verb of marvek2-cli shares.
QTextStream& out();
QTextStream& err();
// Writes "marvek2-cli: message" on standard error and returns status.
int fail(const QString& message, int status = 1);
// Opens the module port the way the program does: 19200 8N1. On failure error names the port.
bool openPort(TBComPort& port, const QString& path, QString* error);

// Verbs with files of their own. args holds the program name followed by the verb's arguments.
int RunDump(QCoreApplication& app, const QStringList& args);
int RunRestore(QCoreApplication& app, const QStringList& args);
int RunLog(QCoreApplication& app, const QStringList& args);
int RunTable(QCoreApplication& app, const QStringList& args);
int RunCurve(QCoreApplication& app, const QStringList& args);
int RunDiff(QCoreApplication& app, const QStringList& args);
