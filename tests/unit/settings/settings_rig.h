#pragma once

#include "journal_sink.h"
#include "memory_port.h"
#include "module_settings.h"
#include "settings_features.h"
#include "transaction.h"
#include "transaction_engine.h"
#include "wire_codec.h"

#include <QStringList>

#include <array>
#include <functional>

// The settings operations on an in-memory port, with ticks driven by the test. Behind the port a
// module image answers reads with its bytes and writes with "!" (executing them), unless a test
// scripts other answers.
struct SettingsRig {
    static inline const QString kDateTime = QStringLiteral("08.12.2011 14:05:31");

    SettingsRig() {
        port.OpenPort();
        engine.setTexts({QStringLiteral("Sent:"), QStringLiteral("Got:"), QStringLiteral("No port"),
                         QStringLiteral("Module error"), QStringLiteral("late")});
        engine.setAutomaticTicks(false);
        engine.setLateAnswerWindowMs(0); // the test's ticks measure it
        InterfaceTexts texts;
        for (int n = 1; n <= InterfaceTexts::kCount; ++n)
            texts.setText(n, QStringLiteral("Text%1:").arg(n, 2, 10, QLatin1Char('0')));
        features.context().setTexts(texts);
        features.context().setFormat(DecimalFormat(QLatin1Char(',')));
        features.context().setDateTimeSource([] { return kDateTime; });
        eeprom.fill(0);
    }

    // The answer the module image gives to a command (and the write it executes).
    QString answerFor(const QString& command) {
        if (command.endsWith(QLatin1Char('*')))
            return wire::ValueToSend(eeprom[wire::DecodeByte(command).value_or(0)]);
        if (command.endsWith(QLatin1Char(')'))) {
            const int value = wire::DecodeByte(command).value_or(0);
            const int address = wire::DecodeByte(QStringView(command).mid(2)).value_or(0);
            eeprom[address] = value;
            return QStringLiteral("!");
        }
        return QStringLiteral("*");
    }

    // The first enabled transaction in branch order.
    Transaction* running() const {
        for (const char* name : TransactionEngine::BranchOrder()) {
            Transaction* t = engine.transaction(QLatin1String(name));
            if (t && t->isEnabled())
                return t;
        }
        return nullptr;
    }

    // One tick of the running transaction and, when it sent a command, the answer of one receive
    // event: scripted when script returns text for the command, otherwise the image's.
    bool exchange() {
        Transaction* t = running();
        if (!t)
            return false;
        const qsizetype sent = port.writes.size();
        t->tick();
        if (!port.Connected() || port.writes.size() == sent)
            return true; // nothing went out: nothing to answer
        const QString command = engine.SentCommand();
        QString answer = script ? script(command) : QString();
        if (answer.isNull())
            answer = answerFor(command);
        if (!answer.isEmpty())
            port.feed(answer);
        return true;
    }

    // Exchanges until no transaction runs; returns the number of exchanges.
    int runToEnd(int limit = 5000) {
        int n = 0;
        while (n < limit && exchange())
            ++n;
        return n;
    }

    QStringList linesAfter(qsizetype from) const { return journal.lines().mid(from); }
    // The journal without the traffic lines.
    QStringList eventLines() const {
        QStringList found;
        for (const QString& line : journal.lines()) {
            if (!line.startsWith(QStringLiteral("Sent:")))
                found << line;
        }
        return found;
    }

    MemoryPort port;
    StringListJournal journal;
    TransactionEngine engine{port, journal};
    ModuleSettingsModel model;
    SettingsFeatures features{engine, model};
    std::array<int, 256> eeprom;
    // Returns the answer for a command, or a null text to let the image answer; an empty
    // (non-null) text sends nothing.
    std::function<QString(const QString&)> script;
};
