#include "connect_read.h"

#include "journal_sink.h"
#include "module_settings.h"
#include "transaction_engine.h"

#include <algorithm>
#include <cmath>

using settings_map::ReadStep;
using settings_map::ReadTarget;

namespace {

const QString ReadErrorText = QStringLiteral("Ошибка чтения. Адрес ");
const QString FamilyName = QStringLiteral("Marvek-2");

} // namespace

ConnectRead::ConnectRead(TransactionEngine& engine, ModuleSettingsModel& model, QObject* parent)
    : Transaction(engine, QStringLiteral("Timer_Read_Double"), IntervalMs,
                  PortClosedPolicy::SkipWrite, true, parent),
      m_model(model) {
    m_nameChars.fill(QLatin1Char(' '));
    setFastCapable(true);
    m_stopRead.setObjectName(QStringLiteral("Timer_Stop_Read"));
    m_stopRead.setSingleShot(true);
    connect(&m_stopRead, &QTimer::timeout, this, &ConnectRead::noAnswer);
    // The module's error signal stops every timer of the program, this one included.
    connect(&engine, &TransactionEngine::stopAllTimersRequested, &m_stopRead, &QTimer::stop);
}

void ConnectRead::startRead() {
    m_attemptCount = 1;
    m_attemptLimit = DefaultAttemptLimit;
    // "No" stands for "no answer yet"; the first answer of every command is never accepted anyway.
    m_currentAnswer = QStringLiteral("No");
    m_nameChars.fill(QLatin1Char(' '));
    m_nameKnown.fill(false);
    m_readErrors.clear();
    m_model.setSettings(ModuleSettings::BeforeRead());
    emit readStarted();
    const double scaled = StopReadMs * engine().intervalScale();
    m_stopRead.start(std::max(1, int(std::lround(scaled))));
    engine().operation().begin(Message{QStringLiteral("Msg_Op_Connect"), {}},
                               settings_map::ConnectReadLength);
    start(QLatin1String(settings_map::ConnectReadSequence().front().command));
}

QString ConnectRead::nameCharacters() const {
    return QString(m_nameChars.data(), qsizetype(m_nameChars.size()));
}

bool ConnectRead::nameComplete() const {
    return std::all_of(m_nameKnown.begin(), m_nameKnown.end(), [](bool known) { return known; });
}

void ConnectRead::moveOn(int step) {
    engine().operation().advance(step + 1);
    if (step + 1 < settings_map::ConnectReadLength)
        engine().setPendingCommand(
            QLatin1String(settings_map::ConnectReadSequence()[step + 1].command));
    else
        stop();
}

void ConnectRead::Receive(const QString& chunk) {
    const QString sent = engine().SentCommand();
    const int index = settings_map::ConnectReadStepOf(sent);
    if (index < 0)
        return;
    const ReadStep& step = settings_map::ConnectReadSequence()[index];

    m_previousAnswer = m_currentAnswer;
    m_currentAnswer = engine().answerSoFar(chunk);
    const std::optional<int> byte = settings_map::ByteOfAnswer(m_currentAnswer);

    if (m_attemptCount < 2) {
        engine().setPendingCommand(sent);
        ++m_attemptCount;
    } else if (!byte || m_previousAnswer != m_currentAnswer) {
        // A damaged answer never confirms, even when the same damage repeats (a module sending
        // lower-case digits would otherwise be "confirmed" with -1 digits). It still counts as an
        // attempt, so the limit below ends the retries.
        engine().setPendingCommand(sent);
        ++m_attemptCount;
    } else {
        moveOn(index);
        m_attemptCount = 1;
    }
    if (m_attemptCount > m_attemptLimit) {
        // Giving up leaves the setting as the last valid answer of this read decoded it, or
        // unknown when none was valid: the decoding below never takes a damaged answer, and the
        // read started from nothing known, so neither a wrong value nor the previous module's
        // value can stay behind after the retries.
        const QString where = sent.left(2);
        engine().journal().Append(ReadErrorText + where);
        m_readErrors.append(where);
        emit readError(where);
        moveOn(index);
        m_attemptCount = 1;
    }

    if (index == 0)
        engine().resetProgress(0, ProgressMaximum);
    // A setting is taken only from two valid digits: an invalid digit decodes as -1, which would
    // turn an answer like "5Z" into a KFuel of -11 and a name character into garbage.
    if (byte)
        decode(step, *byte);
    if (step.target == ReadTarget::NameChar && step.index == 4)
        m_stopRead.stop();
    if (step.target == ReadTarget::Last)
        identify();
}

void ConnectRead::decode(const ReadStep& step, int byte) {
    const int low = byte & 0x0F;
    const int high = byte >> 4;
    switch (step.target) {
    case ReadTarget::FuelFlowDigits:
        m_model.edit([&](ModuleSettings& s) {
            s.FuelFlowDigits[step.index] = low;
            s.FuelFlowDigits[step.index + 1] = high;
        });
        return;
    case ReadTarget::FuelCounterDigits:
        m_model.edit([&](ModuleSettings& s) {
            s.FuelCounterDigits[step.index] = low;
            s.FuelCounterDigits[step.index + 1] = high;
        });
        return;
    case ReadTarget::Flags00:
        m_model.edit([&](ModuleSettings& s) {
            s.Flags00 = byte;
            s.setKnown(step.address);
        });
        emit byteDecoded(step.address, byte);
        break;
    case ReadTarget::Flags01:
        m_model.edit([&](ModuleSettings& s) {
            s.Flags01 = byte;
            s.setKnown(step.address);
        });
        emit byteDecoded(step.address, byte);
        break;
    case ReadTarget::Flags1F:
        m_model.edit([&](ModuleSettings& s) {
            s.Flags1F = byte;
            s.setKnown(step.address);
        });
        emit byteDecoded(step.address, byte);
        break;
    case ReadTarget::NameChar:
        // Like the settings, a name character is only ever formed from two valid digits: a code
        // made from -1 digits would put a character into the name that the module does not hold,
        // and the name decides whether the module is recognised.
        m_nameChars[step.index] = settings_map::NameCharFromByte(byte);
        m_nameKnown[step.index] = true;
        return;
    case ReadTarget::Last:
        return;
    default: {
        const NumericSettingField* field = NumericSettingFieldOf(step.target);
        if (!field)
            return;
        m_model.edit([&](ModuleSettings& s) {
            s.*(field->value) = field->fromByte(byte);
            s.setKnown(step.address);
        });
        emit byteDecoded(step.address, byte);
        return;
    }
    }
    // The bit-field bytes: their journal line on every answer that gives them.
    engine().journal().Append(settings_map::FlagsJournalLine(step.address, byte));
}

void ConnectRead::identify() {
    if (!nameComplete()) {
        // A name character that could not be read is unknown: the module is not identified by a
        // partial name. "2A%" is repeated until its own confirmation ends the read; then there
        // is no name.
        if (!isEnabled()) {
            engine().operation().end(Message{QStringLiteral("Msg_Failed_Connect"), {}}, false);
            emit unidentified();
        }
        return;
    }
    stop();
    const QString name = nameCharacters();
    m_model.edit([&](ModuleSettings& s) {
        s.ModuleName = name;
        for (int i = 0; i < settings_map::ModuleNameLength; ++i)
            s.setKnown(settings_map::address::ModuleName + i);
    });
    engine().operation().end(Message{QStringLiteral("Msg_Done_Connect"), {name}}, true);
    if (name.contains(FamilyName)) {
        emit identified(name);
        engine().resetProgress(0, ProgressMaximum);
    } else {
        emit foreignModule(name);
    }
}
