#pragma once

#include "transaction.h"

// Sends any text as typed and repeats it every tick until the first answer characters arrive.
// The engine's common tail then shows and journals the answer; further characters of the same
// answer keep adding traffic lines with the growing ReceiveBuffer.
class RawConsole : public Transaction {
    Q_OBJECT
public:
    explicit RawConsole(TransactionEngine& engine, QObject* parent = nullptr);

    void send(const QString& text) { start(text); }
    void Receive(const QString& chunk) override;

signals:
    void answered();
    void unlockRequested();
};
