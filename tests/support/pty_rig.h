#pragma once

#include "com_port.h"
#include "journal_sink.h"
#include "pty_module.h"
#include "transaction_engine.h"

#include <QByteArray>
#include <QMetaType>
#include <QProcess>
#include <QString>
#include <QStringList>

// One simulated module on a pseudo-terminal with the program's port, journal and engine on it.
// The engine runs with its intervals scaled down; the simulator's engine model is frozen so that
// only the test's own commands change the module.
struct PtyRig {
    explicit PtyRig(const QByteArray& image = QByteArray(), double intervalScale = 0.4);

    bool open(); // opens the program's port on the simulator
    void setFaults(quint32 seed, const sim::FaultRates& rates);
    sim::Module& sim() { return module.module(); }
    QByteArray eeprom() { return module.module().eeprom(); }
    QStringList received() { return module.module().receivedCommands(); }

    sim::PtyModule module;
    bool started = false;
    TBComPort port;
    StringListJournal journal;
    TransactionEngine engine{port, journal};
};

Q_DECLARE_METATYPE(sim::FaultRates)

// A module that is now and then busy before a command (the commands sent meanwhile wait and are
// answered afterwards, in order), or one whose answers now and then come late; both lose some
// commands on the way. On such a line an answer may arrive after the command was sent again, or
// after the next command went out.
sim::FaultRates BusyModule(double rate = 0.15, double lose = 0.05);
sim::FaultRates LateModule(double rate = 0.2, double lose = 0.05);
// Answers dropped, split, corrupted or in lower case at these rates.
sim::FaultRates LineFaults(double drop, double split, double corrupt, double lower);

// The address of an EEPROM write command "VVAA)" (both bytes low nibble first), or -1.
int WrittenAddress(const QString& command);

// The addresses where two images differ, as "EEPROM-1D 3C/3D" (actual/expected); empty when equal.
QStringList ImageDifferences(const QByteArray& actual, const QByteArray& expected);

// A 256-byte image with every byte given by f(address).
template <typename F> QByteArray MakeImage(F f) {
    QByteArray e(256, '\0');
    for (int i = 0; i < 256; ++i)
        e[i] = char(f(i) & 0xFF);
    return e;
}

// Runs marvek2-cli as a process while this thread's event loop (where the simulator lives) keeps
// running.
struct CliRun {
    // False when the program could not start, ran out of time, or crashed.
    bool run(const QString& program, const QStringList& args, int timeoutMs);
    int exitCode() const { return process.exitCode(); }
    QProcess process;
    QByteArray err;
    QByteArray out;
};
