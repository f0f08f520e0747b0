#pragma once

#include "dump_file.h"
#include "settings_context.h"
#include "transaction.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>

// Settings dump files and the template page: "Сохранить в файл" (the module's EEPROM to a file on
// TimerEEPROMSaveToFile), "Открыть из файла" (a file onto the template page) and "Записать в
// модуль" (the template and the last file into the module: every byte but the name on
// TimerEEPROMSaveToModule, then the page's settings on TimerEEPROMSaveToModule_2).
//
// File names are used exactly as given: the UI appends the suffix (FileNameWithSuffix).
class DumpFiles : public QObject {
    Q_OBJECT
public:
    static constexpr int SaveIntervalMs = 50;
    static constexpr int WriteIntervalMs = 100;
    // A byte is taken when two answers in a row are the same valid byte. A line fault that turns
    // one answer into another valid byte cannot pass on its own, and a write is read back
    // afterwards, so a byte taken wrongly during the verification is rewritten, not kept.
    static constexpr int AgreeingAnswers = 2;
    // Bad answers to one address before a save or a verification gives up: not two upper-case
    // hex digits, or (save) differing from the one before, or (rewrite) anything but "!".
    static constexpr int AttemptLimit = 15;
    // Rewrites of one byte that still reads back wrong before the write gives up.
    static constexpr int RewriteLimit = 15;
    static constexpr int SaveProgressMaximum = AgreeingAnswers * kDumpLineCount + 8;
    static constexpr int WriteProgressMaximum = 264;

    enum class Stage { Idle, Saving, WritingFile, WritingSettings, Verifying };

    explicit DumpFiles(SettingsContext& context, QObject* parent = nullptr);

    // ssb_EEPROM_SaveToFileClick after the save dialog. Locks the interface and reads the 256
    // bytes; every byte is taken only when two answers in a row are the same two upper-case hex
    // digits. The file is written (atomically) only once all 256 bytes are read; after 15
    // answers to one address without that, the save stops with failed() and no file. Refused
    // (SettingsContext::refused, nothing sent) when the path cannot be written.
    StartResult saveToFile(const QString& path);

    // ssb_EEPROM_OpenFromFileClick after the open dialog: the whole file is validated first; a
    // bad file changes nothing and is reported by failed() with its line. Shows Text38 in
    // either case.
    bool openFromFile(const QString& path);
    // The open dialog was cancelled: only Text38 is shown.
    void openCancelled();

    // ssb_EEPROM_SaveToModuleClick: validates the last dump file first; a bad file, an empty
    // template or no file at all is refused (SettingsContext::refused naming the file and line;
    // nothing changed, nothing sent). Then copies the template onto the main page, composes the
    // settings, locks the interface and writes. A late "!" can acknowledge the next write and a
    // write can be lost on the line, so after phase 2 every written byte is read back (on
    // TimerEEPROMSaveToFile) and a byte that reads back different is rewritten and read again,
    // up to RewriteLimit times, like the table write's verify pass. Text39 and written() only
    // when every byte agrees; otherwise failed() names the byte.
    StartResult saveToModule();

    // The dump file last saved or opened in this run; empty at start.
    const QString& lastFileName() const { return m_lastFileName; }
    Stage stage() const { return m_stage; }
    // Address being read or written (0..255).
    int address() const { return m_address; }
    // What the write leaves in the module: the last value written to each address, -1 where
    // nothing is written (the name bytes).
    const std::array<int, kDumpLineCount>& expectedImage() const { return m_expected; }
    // The commands of the running write (phase 1 or 2) and the position in them.
    const QStringList& commands() const { return m_commands; }
    int commandIndex() const { return m_commandIndex; }

    Transaction& TimerEEPROMSaveToFile() { return m_save; }
    Transaction& TimerEEPROMSaveToModule() { return m_write1; }
    Transaction& TimerEEPROMSaveToModule_2() { return m_write2; }

signals:
    void saved(const QString& path);
    void opened(const QString& path);
    void settingsWriteStarted(); // phase 2
    void verificationStarted();  // reading back what the write left in the module
    void written(const QString& path);
    // A started save or write that stopped (nothing kept for a save; the module holds part of
    // the file for a write), or a file that could not be opened (nothing changed). Shown to the
    // user as it is; the interface has been unlocked.
    void failed(const QString& message);

private:
    enum class ReadOutcome { Wait, Again, Taken, GaveUp };
    // The save's confirmed read of one byte: two agreeing valid answers.
    ReadOutcome confirmRead(const QString& answer, int* byte);
    void resetRead();
    void receiveSave(const QString& chunk);
    void receiveVerify(const QString& chunk);
    void startVerification();
    void verifyNext();
    QString verifyFailureText(QStringView key, const QString& withoutLanguage) const;
    void finishWrite();
    void receiveWrite1(const QString& chunk);
    void receiveWrite2(const QString& chunk);
    void transferStopped(Transaction& transaction);
    void finishSave();
    // Stops whichever transaction runs, as the transfer's own step, and unlocks.
    void stopQuietly(int progressMaximum);
    void failTransfer(const QString& message);
    void startPhaseTwo();
    void cancel();
    // Ends a cancelled write where it stands; unconfirmed: the command in hand got no answer.
    void stopCancelledWrite(bool unconfirmed);
    // The addresses the write has had acknowledged so far, as ranges ("30–6F, 80–FF").
    QString writtenRanges() const;

    SettingsContext& m_context;
    Transaction m_save;
    Transaction m_write1;
    Transaction m_write2;
    Stage m_stage = Stage::Idle;
    bool m_stepping = false; // the transaction's own stop, not an interruption

    QString m_lastFileName;
    QString m_savePath;
    EepromImage m_image{};
    int m_address = 0;
    int m_badAnswers = 0;
    QString m_candidate; // the last valid answer to the current address...
    int m_agreeing = 0;  // ...and how many in a row gave it

    QString m_writePath;
    QStringList m_commands;
    QStringList m_phaseTwo;
    QStringList m_phaseOne; // kept for the cancel report
    int m_commandIndex = 0;
    bool m_cancelling = false;

    std::array<int, kDumpLineCount> m_expected{};
    QList<int> m_verifyAddresses;
    int m_verifyIndex = 0;
    int m_rewrites = 0;
    bool m_rewriting = false;
};
