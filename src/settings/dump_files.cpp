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
#include <QTimer>

#include <algorithm>

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

namespace {

constexpr int kCancelWaitMs = 1500;

int CommandAddress(const QString& command) {
    return wire::DecodeByte(QStringView(command).mid(2, 2)).value_or(-1);
}

} // namespace

QString DumpFiles::writtenRanges() const {
    QList<int> at;
    const bool inPhaseOne = m_stage == Stage::WritingFile;
    for (int i = 0; i < (inPhaseOne ? m_commandIndex : int(m_phaseOne.size())); ++i)
        at << CommandAddress(m_phaseOne.at(i));
    for (int i = 0; !inPhaseOne && i < m_commandIndex; ++i)
        at << CommandAddress(m_phaseTwo.at(i));
    std::sort(at.begin(), at.end());
    at.erase(std::unique(at.begin(), at.end()), at.end());
    QStringList ranges;
    for (qsizetype i = 0; i < at.size();) {
        qsizetype j = i;
        while (j + 1 < at.size() && at.at(j + 1) == at.at(j) + 1)
            ++j;
        ranges << (i == j ? wire::HumanAddress(at.at(i))
                          : wire::HumanAddress(at.at(i)) + QStringLiteral("–") +
                                wire::HumanAddress(at.at(j)));
        i = j + 1;
    }
    return ranges.isEmpty() ? QStringLiteral("—") : ranges.join(QStringLiteral(", "));
}

void DumpFiles::cancel() {
    if (m_stage == Stage::Idle)
        return;
    if (m_stage == Stage::Saving) {
        // No file is written: nothing changes.
        stopQuietly(SaveProgressMaximum);
        m_context.engine().operation().end(
            Message{QStringLiteral("Msg_Cancel_Read"), {QStringLiteral("Msg_Op_DumpSave")}}, false);
        return;
    }
    // A write stops once the command in hand is answered; a silent module ends it anyway.
    m_cancelling = true;
    QTimer::singleShot(int(kCancelWaitMs * m_context.engine().intervalScale()), this, [this] {
        if (m_cancelling && m_stage != Stage::Idle)
            stopCancelledWrite(true);
    });
}

void DumpFiles::stopCancelledWrite(bool unconfirmed) {
    const Stage stage = m_stage;
    const QString written = writtenRanges();
    stopQuietly(WriteProgressMaximum);
    const QString name = QStringLiteral("Msg_Op_Restore");
    Message outcome;
    if (stage == Stage::Verifying)
        outcome = {QStringLiteral("Msg_Cancel_RestoreVerify"),
                   {name, written, QString::number(m_verifyIndex),
                    QString::number(m_verifyAddresses.size())}};
    else if (unconfirmed)
        outcome = {
            QStringLiteral("Msg_Cancel_RestoreUnknown"),
            {name, written, wire::HumanAddress(CommandAddress(m_commands.value(m_commandIndex)))}};
    else
        outcome = {QStringLiteral("Msg_Cancel_Restore"), {name, written}};
    m_context.engine().operation().end(outcome, false);
    emit failed(m_context.texts().message(outcome));
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
    m_cancelling = false;
    m_context.engine().resetProgress(0, 100);
    // The module's error handling unlocks the interface itself; a closed port does not.
    emit m_context.unlockRequested();
    m_context.engine().operation().end(
        Message{QStringLiteral("Msg_Op_Stopped"), {m_context.engine().operation().name().key}},
        false);
    emit failed(
        stage == Stage::Saving
            ? m_context.texts().message(
                  Message{QStringLiteral("Msg_DumpSaveStopped"), {wire::HumanAddress(m_address)}})
            : m_context.texts().message(Message{QStringLiteral("Msg_DumpWriteStopped"), {}}));
}

void DumpFiles::stopQuietly(int progressMaximum) {
    m_stepping = true;
    m_save.stop();
    m_write1.stop();
    m_write2.stop();
    m_stepping = false;
    m_stage = Stage::Idle;
    m_cancelling = false;
    m_context.engine().resetProgress(0, progressMaximum);
    emit m_context.unlockRequested();
}

void DumpFiles::failTransfer(const QString& message) {
    stopQuietly(100);
    m_context.engine().operation().end(Message{QStringLiteral("Msg_Op_Failed"), {message}}, false);
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
    m_cancelling = false;
    m_context.engine().resetProgress(0, SaveProgressMaximum);
    m_context.engine().operation().begin(Message{QStringLiteral("Msg_Op_DumpSave"), {}},
                                         kDumpLineCount, [this] { cancel(); });
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
    engine.operation().advance(m_address);
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
        m_context.engine().operation().end(Message{QStringLiteral("Msg_Op_Failed"), {error}},
                                           false);
        emit failed(error);
        return;
    }
    m_context.engine().operation().end(Message{QStringLiteral("Msg_Done_DumpSave"), {m_savePath}},
                                       true);
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
        emit failed(m_context.texts().message(content.error));
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
    // In English where no language is applied (tests, tools).
    auto text = [&](const char* key) {
        return m_context.texts().message(Message{QString::fromLatin1(key), {}});
    };
    if (m_lastFileName.isEmpty())
        return refuse(text("Msg_DumpNoneYet"));
    const TemplatePage& page = m_context.page().templatePage();
    if (!page.loaded)
        return refuse(text("Msg_TemplateEmpty"));
    const DumpFileContent content = ReadDumpFile(m_lastFileName);
    if (!content.ok())
        return refuse(m_context.texts().message(content.error));

    ChoiceSelection main = m_context.page().main();
    ModuleSettings settings = m_context.model().settings();
    if (!CopyTemplateToMain(page, m_context.format(), main, settings))
        return refuse(text("Msg_TemplateNotNumbers"));
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
    m_phaseOne = m_commands;
    m_commandIndex = 0;
    m_address = 0;
    m_stage = Stage::WritingFile;
    m_cancelling = false;
    m_context.engine().resetProgress(0, WriteProgressMaximum);
    m_context.engine().operation().begin(Message{QStringLiteral("Msg_Op_Restore"), {}},
                                         int(m_commands.size() + m_phaseTwo.size()),
                                         [this] { cancel(); });
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
    ++m_commandIndex;
    engine.operation().advance(m_commandIndex);
    if (m_cancelling) {
        stopCancelledWrite(false);
        return;
    }
    if (m_commandIndex < m_commands.size()) {
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
    ++m_commandIndex;
    engine.operation().advance(int(m_phaseOne.size()) + m_commandIndex);
    if (m_cancelling) {
        stopCancelledWrite(false);
        return;
    }
    if (m_commandIndex < m_commands.size()) {
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
    m_context.engine().operation().begin(Message{QStringLiteral("Msg_Op_RestoreVerify"), {}},
                                         int(m_verifyAddresses.size()), [this] { cancel(); });
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
    m_context.engine().operation().advance(m_verifyIndex);
    if (m_cancelling) {
        stopCancelledWrite(false);
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
    m_context.engine().operation().end(
        Message{QStringLiteral("Msg_Done_Restore"),
                {m_writePath, QString::number(m_verifyAddresses.size())}},
        true);
    emit m_context.completionText(m_context.texts().text(39));
    emit written(m_writePath);
}
