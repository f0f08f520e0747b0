#pragma once

#include "settings_map.h"
#include "transaction.h"

#include <QString>
#include <QStringList>
#include <QTimer>

#include <array>

class ModuleSettingsModel;
class TransactionEngine;

// The confirmed read that connecting starts: the 28 commands of the settings map, each repeated
// until two consecutive answers agree, then the module's identification by its name. Runs on
// Timer_Read_Double and writes into the settings model; the shell reacts to the signals.
class ConnectRead : public Transaction {
    Q_OBJECT
public:
    static constexpr int IntervalMs = 50;
    static constexpr int StopReadMs = 5000;
    static constexpr int DefaultAttemptLimit = 15;
    static constexpr int ProgressMaximum = 60;

    ConnectRead(TransactionEngine& engine, ModuleSettingsModel& model, QObject* parent = nullptr);

    // Called once the port is open: PendingCommand "47%", AttemptCount 1, AttemptLimit 15,
    // CurrentAnswer "No"; starts Timer_Read_Double and Timer_Stop_Read (its 5 s scaled like the
    // engine's intervals).
    void startRead();

    const QString& PreviousAnswer() const { return m_previousAnswer; }
    const QString& CurrentAnswer() const { return m_currentAnswer; }
    int AttemptCount() const { return m_attemptCount; }
    int AttemptLimit() const { return m_attemptLimit; }

    // Timer_Stop_Read: the one-shot no-answer report.
    const QTimer& stopReadTimer() const { return m_stopRead; }
    // The eight name characters as read so far; a character not (yet) read is a blank.
    QString nameCharacters() const;
    // Whether every name character was taken from a valid answer during this read.
    bool nameComplete() const;
    // Addresses ("D1") of the commands given up after the attempt limit during the last read.
    const QStringList& readErrors() const { return m_readErrors; }

    void Receive(const QString& chunk) override;

signals:
    // A read has started: ModuleSettings is back to "nothing known" (each read starts clean, so
    // a byte this read cannot take never shows the previous module's value).
    void readStarted();
    // Timer_Stop_Read fired before the fifth name character was taken; the read goes on.
    void noAnswer();
    // The read ended with a name containing "Marvek-2"; ModuleName holds it.
    void identified(const QString& name);
    // The read ended with any other name; ModuleName holds it.
    void foreignModule(const QString& name);
    // The read ended at its last command with a name character it could not take: no name.
    void unidentified();
    // A command was given up after the attempt limit (its journal line is written).
    void readError(const QString& address);
    // A settings byte of the EEPROM was decoded from two valid digits (ModuleSettings already
    // holds it). The settings page presses its buttons from the bit-field bytes and NumBurn.
    void byteDecoded(int address, int byte);

private:
    void moveOn(int step);
    void decode(const settings_map::ReadStep& step, int byte);
    void identify();

    ModuleSettingsModel& m_model;
    QTimer m_stopRead;
    QString m_previousAnswer;
    QString m_currentAnswer;
    int m_attemptCount = 1;
    int m_attemptLimit = DefaultAttemptLimit;
    std::array<QChar, settings_map::ModuleNameLength> m_nameChars;
    std::array<bool, settings_map::ModuleNameLength> m_nameKnown{};
    QStringList m_readErrors;
};
