#include "raw_console.h"

#include "journal_sink.h"
#include "transaction_engine.h"

RawConsole::RawConsole(TransactionEngine& engine, QObject* parent)
    : Transaction(engine, QStringLiteral("Timer_SeansOne"), 50, PortClosedPolicy::StopTimer, false,
                  parent) {}

void RawConsole::Receive(const QString&) {
    // Whatever was sent last, the first characters end the repetition.
    engine().journal().Append(QString());
    setEnabled(false);
    emit unlockRequested();
    emit answered();
}
