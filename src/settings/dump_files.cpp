#include "dump_files.h"

#include "dump_template.h"
#include "module_settings.h"
#include "page_selection.h"
#include "settings_map.h"
#include "settings_view.h"
#include "text_file.h"
#include "transaction_engine.h"
#include "wire_codec.h"

#include <QSaveFile>

namespace {

const QString kReadError = QStringLiteral("Ошибка чтения. Адрес ");

// Whether the file can be created, without leaving anything behind.
QString probeWritable(const QString& path) {
    QSaveFile probe(path);
    if (!probe.open(QIODevice::WriteOnly))
        return QStringLiteral("Cannot create file \"%1\": %2")
            .arg(DisplayPath(path), probe.errorString());
    probe.cancelWriting();
    return {};
}

} // namespace

DumpFiles::DumpFiles(SettingsContext& context, QObject* parent)
    : QObject(parent), m_context(context),
      m_save(context.engine(), QStringLiteral("TimerEEPROMSaveToFile"), SaveIntervalMs,
             PortClosedPolicy::StopTimer, true, this),
      m_write1(context.engine(), QStringLiteral("TimerEEPROMSaveToModule"), WriteIntervalMs,
               PortClosedPolicy::StopTimer, true, this),
      m_write2(context.engine(), QStringLiteral("TimerEEPROMSaveToModule_2"), WriteIntervalMs,
               PortClosedPolicy::StopTimer, false, this) {
    m_save.setBranch([this](const QString& chunk) {
        if (m_stage == Stage::Verifying)
            receiveVerify(chunk);
        else
            receiveSave(chunk);
    });
    m_write1.setBranch([this](const QString& chunk) { receiveWrite1(chunk); });
    m_write2.setBranch([this](const QString& chunk) { receiveWrite2(chunk); });
    // A closed port or the module's error signal stops a transfer from outside.
    for (Transaction* t : {&m_save, &m_write1, &m_write2}) {
        t->setFastCapable(true);
        connect(t, &Transaction::enabledChanged, this, [this, t](bool enabled) {
            if (!enabled)
                transferStopped(*t);
        });
    }
}

void DumpFiles::transferStopped(Transaction& transaction) {
    if (m_stepping || m_stage == Stage::Idle)
        return;
    const bool ours = (m_stage == Stage::Saving && &transaction == &m_save) ||
                      (m_stage == Stage::WritingFile && &transaction == &m_write1) ||
                      (m_stage == Stage::WritingSettings && &transaction == &m_write2) ||
                      (m_stage == Stage::Verifying && &transaction == &m_save);
    if (!ours)
        return;
    const Stage stage = m_stage;
    m_stage = Stage::Idle;
    m_context.engine().resetProgress(0, 100);
    // The module's error handling unlocks the interface itself; a closed port does not.
    emit m_context.unlockRequested();
    emit failed(stage == Stage::Saving
                    ? m_context.texts().message(
                          {QStringLiteral("Msg_DumpSaveStopped"), wire::HumanAddress(m_address)},
                          QStringLiteral("The save stopped at EEPROM-%1 (port closed or module "
                                         "error); no file was written.")
                              .arg(wire::HumanAddress(m_address)))
                    : m_context.texts().message(
                          {QStringLiteral("Msg_DumpWriteStopped")},
                          QStringLiteral("The write into the module stopped (port closed or "
                                         "module error); the module holds part of the file.")));
}

void DumpFiles::failTransfer(const QString& message) {
    m_stepping = true;
    m_save.stop();
    m_write1.stop();
    m_write2.stop();
    m_stepping = false;
    m_stage = Stage::Idle;
    m_context.engine().resetProgress(0, 100);
    emit m_context.unlockRequested();
    emit failed(message);
}

StartResult DumpFiles::saveToFile(const QString& path) {
    const QString operation = QStringLiteral("ssb_EEPROM_SaveToFile");
    const StartResult check = m_context.checkStart(operation);
    if (check != StartResult::Started)
        return check;
    if (const QString error = probeWritable(path); !error.isEmpty()) {
        m_context.refuse(operation, StartResult::Invalid, error);
        return StartResult::Invalid;
    }
    m_savePath = path;
    m_image.fill(0);
    m_address = 0;
    resetRead();
    m_stage = Stage::Saving;
    m_context.engine().resetProgress(0, SaveProgressMaximum);
    emit m_context.lockRequested();
    m_save.start(wire::ReadEepromCommand(0));
    return StartResult::Started;
}

void DumpFiles::resetRead() {
    m_badAnswers = 0;
    m_candidate.clear();
    m_agreeing = 0;
}

DumpFiles::ReadOutcome DumpFiles::confirmRead(const QString& answer, int* byte) {
    // The first character of an answer split over two receive events: wait for the second.
    if (answer.size() == 1 && wire::HexDigit(answer.at(0)) >= 0)
        return ReadOutcome::Wait;
    const std::optional<int> value = settings_map::ByteOfAnswer(answer);
    const bool agrees = value && answer == m_candidate;
    if (!value || (!m_candidate.isEmpty() && !agrees))
        ++m_badAnswers;
    m_agreeing = agrees ? m_agreeing + 1 : (value ? 1 : 0);
    m_candidate = value ? answer : QString();
    if (m_agreeing >= AgreeingAnswers) {
        *byte = *value;
        return ReadOutcome::Taken;
    }
    return m_badAnswers > AttemptLimit ? ReadOutcome::GaveUp : ReadOutcome::Again;
}

void DumpFiles::receiveSave(const QString& chunk) {
    TransactionEngine& engine = m_context.engine();
    const QString command = wire::ReadEepromCommand(m_address);
    if (engine.SentCommand() != command)
        return;
    const QString answer = engine.answerSoFar(chunk);
    int byte = 0;
    switch (confirmRead(answer, &byte)) {
    case ReadOutcome::Wait:
        return;
    case ReadOutcome::Again:
        engine.setPendingCommand(command);
        return;
    case ReadOutcome::GaveUp:
        m_context.journal(kReadError + command.left(2));
        failTransfer(QStringLiteral("EEPROM-%1 could not be read: %2 bad answers (last \"%3\"). "
                                    "No file was written.")
                         .arg(wire::HumanAddress(m_address))
                         .arg(m_badAnswers)
                         .arg(answer));
        return;
    case ReadOutcome::Taken:
        break;
    }
    m_image[m_address] = std::uint8_t(byte);
    if (m_address == kDumpLineCount - 1) {
        finishSave();
        return;
    }
    ++m_address;
    resetRead();
    engine.setPendingCommand(wire::ReadEepromCommand(m_address));
}

void DumpFiles::finishSave() {
    m_stepping = true;
    m_save.stop();
    m_stepping = false;
    m_stage = Stage::Idle;
    const QString error = WriteDumpFile(m_savePath, m_image);
    m_context.engine().resetProgress(0, SaveProgressMaximum);
    emit m_context.unlockRequested();
    if (!error.isEmpty()) {
        emit failed(error);
        return;
    }
    m_lastFileName = m_savePath;
    emit m_context.completionText(m_context.texts().text(37));
    emit saved(m_savePath);
}

bool DumpFiles::openFromFile(const QString& path) {
    const DumpFileContent content = ReadDumpFile(path);
    if (!content.ok()) {
        // The status says the file was refused (and where), never that it was opened.
        QString status = m_context.texts().text(content.errorLine > 0 ? u"Msg_DumpRefusedLine"
                                                                      : u"Msg_DumpRefused");
        if (content.errorLine > 0 && status.contains(QLatin1String("%1")))
            status = status.arg(content.errorLine);
        emit m_context.completionText(status);
        emit failed(DumpFileErrorText(content, m_context.texts()));
        return false;
    }
    m_lastFileName = path;
    m_context.page().editTemplate([&](TemplatePage& page) {
        ShowImageOnTemplate(page, content.image, m_context.texts(), m_context.format());
    });
    m_context.model().edit(
        [&](ModuleSettings& settings) { TakeImageIntoSettings(settings, content.image); });
    emit m_context.completionText(m_context.texts().text(38));
    emit opened(path);
    return true;
}

void DumpFiles::openCancelled() {
    emit m_context.completionText(m_context.texts().text(38));
}

StartResult DumpFiles::saveToModule() {
    const QString operation = QStringLiteral("ssb_EEPROM_SaveToModule");
    const StartResult check = m_context.checkStart(operation);
    if (check != StartResult::Started)
        return check;
    auto refuse = [&](const QString& message) {
        m_context.refuse(operation, StartResult::Invalid, message);
        return StartResult::Invalid;
    };
    // The language's text, or the English one where no language is applied (tests, tools).
    auto text = [&](const char* key, const char* english) {
        const QString t = m_context.texts().text(QString::fromLatin1(key));
        return t.isEmpty() ? QString::fromLatin1(english) : t;
    };
    if (m_lastFileName.isEmpty())
        return refuse(text("Msg_DumpNoneYet", "No dump file has been saved or opened yet."));
    const TemplatePage& page = m_context.page().templatePage();
    if (!page.loaded)
        return refuse(text("Msg_TemplateEmpty", "The template is empty: open a dump file first."));
    const DumpFileContent content = ReadDumpFile(m_lastFileName);
    if (!content.ok())
        return refuse(DumpFileErrorText(content, m_context.texts()));

    ChoiceSelection main = m_context.page().main();
    ModuleSettings settings = m_context.model().settings();
    if (!CopyTemplateToMain(page, m_context.format(), main, settings))
        return refuse(text("Msg_TemplateNotNumbers", "The template's values are not numbers."));
    m_context.page().setMain(main);
    m_context.model().setSettings(settings);
    for (const NumericSetting setting : kTemplateNumericSettings) {
        const ScaleView view =
            ScaleViewOf(setting, ValueOf(settings, setting),
                        CaptionPrefix(setting, m_context.texts()), m_context.format());
        m_context.page().setScale(setting, ScaleDisplay{view.window, view.caption});
    }

    m_writePath = m_lastFileName;
    m_image = content.image;
    m_commands = PhaseOneCommands(content.image);
    m_phaseTwo = PhaseTwoCommands(main, settings, content.image);
    m_expected.fill(-1);
    for (const QStringList* phase : {&m_commands, &m_phaseTwo}) {
        for (const QString& command : *phase) {
            const std::optional<int> value = wire::DecodeByte(QStringView(command).left(2));
            const std::optional<int> at = wire::DecodeByte(QStringView(command).mid(2, 2));
            if (value && at)
                m_expected[*at] = *value;
        }
    }
    m_commandIndex = 0;
    m_address = 0;
    m_stage = Stage::WritingFile;
    m_context.engine().resetProgress(0, WriteProgressMaximum);
    emit m_context.completionText(QString());
    emit m_context.lockRequested();
    m_write1.start(m_commands.first());
    return StartResult::Started;
}

void DumpFiles::receiveWrite1(const QString& chunk) {
    TransactionEngine& engine = m_context.engine();
    const QString& command = m_commands.at(m_commandIndex);
    if (engine.SentCommand() != command)
        return;
    if (engine.answerSoFar(chunk) != QLatin1String("!")) {
        engine.setPendingCommand(command);
        return;
    }
    if (++m_commandIndex < m_commands.size()) {
        m_address = wire::DecodeByte(QStringView(m_commands.at(m_commandIndex)).mid(2)).value_or(0);
        engine.setPendingCommand(m_commands.at(m_commandIndex));
        return;
    }
    startPhaseTwo();
}

void DumpFiles::startPhaseTwo() {
    m_stepping = true;
    m_write1.stop();
    m_stepping = false;
    m_context.engine().resetProgress(0, WriteProgressMaximum);
    m_commands = m_phaseTwo;
    m_commandIndex = 0;
    m_stage = Stage::WritingSettings;
    emit settingsWriteStarted();
    m_write2.start(m_commands.first());
}

void DumpFiles::receiveWrite2(const QString& chunk) {
    TransactionEngine& engine = m_context.engine();
    const QString& command = m_commands.at(m_commandIndex);
    if (engine.SentCommand() != command)
        return;
    if (engine.answerSoFar(chunk) != QLatin1String("!")) {
        engine.setPendingCommand(command);
        return;
    }
    if (++m_commandIndex < m_commands.size()) {
        engine.setPendingCommand(m_commands.at(m_commandIndex));
        return;
    }
    startVerification();
}

void DumpFiles::startVerification() {
    m_stepping = true;
    m_write2.stop();
    m_stepping = false;
    m_verifyAddresses.clear();
    for (int at = 0; at < kDumpLineCount; ++at) {
        if (m_expected[at] >= 0)
            m_verifyAddresses << at;
    }
    m_verifyIndex = 0;
    m_rewrites = 0;
    m_rewriting = false;
    resetRead();
    m_stage = Stage::Verifying;
    m_address = m_verifyAddresses.first();
    m_context.engine().resetProgress(0, int(m_verifyAddresses.size()) + 8);
    emit verificationStarted();
    m_save.start(wire::ReadEepromCommand(m_address));
}

void DumpFiles::receiveVerify(const QString& chunk) {
    TransactionEngine& engine = m_context.engine();
    const int expected = m_expected[m_address];
    const QString answer = engine.answerSoFar(chunk);
    if (m_rewriting) {
        const QString command = wire::WriteEepromCommand(expected, m_address);
        if (engine.SentCommand() != command)
            return;
        if (answer == QLatin1String("!")) {
            m_rewriting = false;
            resetRead();
            engine.setPendingCommand(wire::ReadEepromCommand(m_address));
        } else if (++m_badAnswers > AttemptLimit) {
            failTransfer(verifyFailureText(u"Msg_RestoreNoAck",
                                           QStringLiteral("EEPROM-%1 did not acknowledge its "
                                                          "rewrite. The module is not verified."))
                             .arg(wire::HumanAddress(m_address)));
        } else {
            engine.setPendingCommand(command);
        }
        return;
    }
    const QString command = wire::ReadEepromCommand(m_address);
    if (engine.SentCommand() != command)
        return;
    // The first character of an answer split over two receive events: wait for the second.
    if (answer.size() == 1 && wire::HexDigit(answer.at(0)) >= 0)
        return;
    // One valid answer decides, as in the table write's verify pass: the expected byte moves
    // on, any other is written again (harmless when the answer itself was damaged).
    const std::optional<int> value = settings_map::ByteOfAnswer(answer);
    if (!value) {
        if (++m_badAnswers > AttemptLimit) {
            m_context.journal(kReadError + command.left(2));
            failTransfer(verifyFailureText(u"Msg_RestoreUnreadable",
                                           QStringLiteral("EEPROM-%1 could not be read back. The "
                                                          "module is not verified."))
                             .arg(wire::HumanAddress(m_address)));
        } else {
            engine.setPendingCommand(command);
        }
        return;
    }
    const int byte = *value;
    if (byte == expected) {
        verifyNext();
        return;
    }
    if (++m_rewrites > RewriteLimit) {
        failTransfer(verifyFailureText(u"Msg_RestoreDiffers",
                                       QStringLiteral("EEPROM-%1 holds %2 after %4 rewrites where "
                                                      "the file has %3. The module is not "
                                                      "verified."))
                         .arg(wire::HumanAddress(m_address), wire::HumanAddress(byte),
                              wire::HumanAddress(expected), QString::number(RewriteLimit)));
        return;
    }
    m_rewriting = true;
    m_badAnswers = 0;
    engine.setPendingCommand(wire::WriteEepromCommand(expected, m_address));
}

QString DumpFiles::verifyFailureText(QStringView key, const QString& withoutLanguage) const {
    // The language's text when one is applied; the command-line program has none.
    const QString text = m_context.texts().text(key);
    return text.contains(QLatin1String("%1")) ? text : withoutLanguage;
}

void DumpFiles::verifyNext() {
    if (++m_verifyIndex >= m_verifyAddresses.size()) {
        finishWrite();
        return;
    }
    m_address = m_verifyAddresses.at(m_verifyIndex);
    m_rewrites = 0;
    resetRead();
    m_context.engine().setPendingCommand(wire::ReadEepromCommand(m_address));
}

void DumpFiles::finishWrite() {
    m_stepping = true;
    m_save.stop();
    m_stepping = false;
    m_stage = Stage::Idle;
    m_context.engine().resetProgress(0, WriteProgressMaximum);
    emit m_context.unlockRequested();
    emit m_context.completionText(m_context.texts().text(39));
    emit written(m_writePath);
}
