#pragma once

#include "decimal_format.h"
#include "languages.h"

#include <QObject>
#include <QString>

#include <functional>

class ModuleSettingsModel;
class SettingsPageModel;
class Transaction;
class TransactionEngine;

// Whether a settings operation started. The engine holds one PendingCommand, so a second
// transaction started while one runs would take over the first one's command: such a start is
// refused instead, as is a start with the port closed (its transaction would tick forever).
enum class StartResult {
    Started,
    PortClosed,  // the port to the module is not open
    Busy,        // another transaction runs; try again when it has ended
    Invalid,     // a file or the template cannot be used; nothing was sent
    ByteUnknown, // the byte the change is composed from could not be read; nothing was written
};

// The text shown for a refused start (empty for Started). runningTimer names the transaction
// that holds the engine.
QString StartRefusalText(StartResult result, const QString& runningTimer = {});

// What every settings operation shares: the engine, the settings model, the page model, the
// interface texts and the number format, the journal's date-time text, and the signals the
// shell turns into the interface lock, the lower status bar and messages.
class SettingsContext : public QObject {
    Q_OBJECT
public:
    SettingsContext(TransactionEngine& engine, ModuleSettingsModel& model, SettingsPageModel& page,
                    QObject* parent = nullptr);

    TransactionEngine& engine() const { return m_engine; }
    ModuleSettingsModel& model() const { return m_model; }
    SettingsPageModel& page() const { return m_page; }

    const InterfaceTexts& texts() const { return m_texts; }
    void setTexts(const InterfaceTexts& texts) { m_texts = texts; }
    const DecimalFormat& format() const { return m_format; }
    void setFormat(const DecimalFormat& format) { m_format = format; }

    // The journal's date and time (JournalDateTimeText of now unless replaced, e.g. by tests).
    QString dateTimeText() const;
    void setDateTimeSource(std::function<QString()> source) { m_dateTime = std::move(source); }
    void journal(const QString& line) const;

    // The first enabled transaction in branch order, or empty.
    QString runningTimer() const;
    // Started when the port is open and no transaction runs; otherwise emits refused (and makes
    // the pages show the model again, since the clicked button has already moved) and returns
    // the reason.
    StartResult checkStart(const QString& operation);
    // The text of a refused start in the interface language: the running operation named in
    // words (Msg_Running_<timer>) when the language has them; StartRefusalText without one.
    QString refusalText(StartResult result) const;
    // For operations that fail after their own checks (a bad file): emits refused.
    void refuse(const QString& operation, StartResult reason, const QString& message);
    // A change that would compose its byte from a byte of the module that is not known (neither
    // the connection read nor the change's own read could take it): refused with Msg_ByteUnknown
    // naming the address, so that no bit of another module or of a damaged answer is written.
    void refuseUnknownByte(const QString& operation, int address);

signals:
    // A settings operation did not start; message is StartRefusalText or the file error.
    void refused(const QString& operation, StartResult reason, const QString& message);
    // Btn_Block / Btn_UnBlock: around the dump save and the file write, and at the end of the
    // lambda switch-off.
    void lockRequested();
    void unlockRequested();
    // Panel 1 of StatusBar_Bottom (Text37, Text38, Text39, or empty), in the button-text colour.
    void completionText(const QString& text);

private:
    TransactionEngine& m_engine;
    ModuleSettingsModel& m_model;
    SettingsPageModel& m_page;
    InterfaceTexts m_texts;
    DecimalFormat m_format;
    std::function<QString()> m_dateTime;
};
