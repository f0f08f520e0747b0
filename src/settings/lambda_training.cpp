#include "lambda_training.h"

#include "journal.h"
#include "module_settings.h"
#include "page_selection.h"
#include "settings_map.h"
#include "transaction_engine.h"
#include "wire_codec.h"

namespace address = settings_map::address;

namespace {

const QString kClear1A = QStringLiteral("00A1)");
constexpr int kTrainingBit = 2;

QString bitChars(int byte, int from, int to) {
    QString text;
    for (int n = from; n <= to; ++n)
        text += settings_map::Bit(byte, n) ? QLatin1Char('1') : QLatin1Char('0');
    return text;
}

} // namespace

LambdaTraining::LambdaTraining(SettingsContext& context, QObject* parent)
    : QObject(parent), m_context(context),
      m_on(context.engine(), QStringLiteral("Timer_Lambda_Ticher"), IntervalMs,
           PortClosedPolicy::StopTimer, true, this),
      m_off(context.engine(), QStringLiteral("Timer_Lambda_Ticher_02"), IntervalMs,
            PortClosedPolicy::StopTimer, true, this) {
    m_on.setFastCapable(true);
    m_off.setFastCapable(true);
    m_on.setBranch([this](const QString& chunk) { receiveOn(chunk); });
    m_off.setBranch([this](const QString& chunk) { receiveOff(chunk); });
}

LambdaConfirmationTexts LambdaTraining::confirmationTexts(LambdaConfirmation which) const {
    const InterfaceTexts& t = m_context.texts();
    return {t.text(45), t.text(which == LambdaConfirmation::SwitchOn ? 41 : 42), t.text(43),
            t.text(44)};
}

StartResult LambdaTraining::ask(LambdaConfirmation which, const char* button) {
    const StartResult check = m_context.checkStart(QLatin1String(button));
    if (check != StartResult::Started)
        return check;
    emit confirmationRequested(which, confirmationTexts(which));
    return StartResult::Started;
}

StartResult LambdaTraining::atb_Other_TicherEmu_OnClick() {
    return ask(LambdaConfirmation::SwitchOn, "atb_Other_TicherEmu_On");
}

StartResult LambdaTraining::atb_Other_TicherEmu_OffClick() {
    return ask(LambdaConfirmation::SwitchOff, "atb_Other_TicherEmu_Off");
}

StartResult LambdaTraining::confirm(LambdaConfirmation which, bool ok) {
    if (!ok) {
        emit curveChartRefreshRequested();
        return StartResult::Started; // nothing to start: the window was cancelled
    }
    const bool on = which == LambdaConfirmation::SwitchOn;
    const StartResult check = m_context.checkStart(
        QLatin1String(on ? "atb_Other_TicherEmu_On" : "atb_Other_TicherEmu_Off"));
    if (check != StartResult::Started) {
        emit curveChartRefreshRequested();
        return check;
    }
    m_context.page().editMain([&](ChoiceSelection& s) { s.TicherEmu = on; });
    if (!on)
        emit curveSeriesClearRequested();
    // The bits last taken from this module (the settings model keeps the latest valid read of
    // EEPROM-00 by any operation); a damaged answer below keeps them.
    m_bits = m_context.model().settings().Flags00 & 0xFF;
    m_writeCommand.clear();
    m_context.engine().resetProgress(0, 100);
    (on ? m_on : m_off).start(wire::ReadEepromCommand(address::Flags00));
    emit curveChartRefreshRequested();
    return StartResult::Started;
}

QString LambdaTraining::bitsText(int byte) const {
    return bitChars(byte, 0, 3) + QLatin1Char(' ') + bitChars(byte, 4, 7);
}

QString LambdaTraining::takeBitsAndCompose(const QString& answer, const QString& eventText,
                                           bool training) {
    if (const std::optional<int> byte = settings_map::ByteOfAnswer(answer)) {
        m_bits = *byte;
        m_context.model().edit([&](ModuleSettings& s) {
            s.Flags00 = *byte;
            s.setKnown(address::Flags00);
        });
    }
    if (!m_context.model().settings().isKnown(address::Flags00))
        return {}; // neither this answer nor an earlier read gave the byte
    m_context.journal(EventLine(eventText, m_context.dateTimeText()));
    m_context.journal(QStringLiteral("EEPROM-00 = ") + bitsText(m_bits));
    const int value = training ? m_bits | (1 << kTrainingBit) : m_bits & ~(1 << kTrainingBit);
    return wire::WriteEepromCommand(value, address::Flags00);
}

void LambdaTraining::refuseUnknown(Transaction& timer, bool switchingOn) {
    timer.stop();
    m_context.page().editMain([&](ChoiceSelection& s) { s.TicherEmu = !switchingOn; });
    m_context.engine().resetProgress(0, 100);
    m_context.refuseUnknownByte(
        QLatin1String(switchingOn ? "atb_Other_TicherEmu_On" : "atb_Other_TicherEmu_Off"),
        address::Flags00);
    if (!switchingOn)
        emit m_context.unlockRequested();
}

void LambdaTraining::receiveOn(const QString& chunk) {
    TransactionEngine& engine = m_context.engine();
    const QString sent = engine.SentCommand();
    const QString answer = engine.answerSoFar(chunk);
    if (sent == wire::ReadEepromCommand(address::Flags00)) {
        if (answer.size() >= 2) {
            m_writeCommand = takeBitsAndCompose(
                answer,
                QStringLiteral("ВКЛЮЧЕНО ОБУЧЕНИЕ ЭМУЛЯТОРА ЛЯМБДЫ. ПОЛУЧЕНЫ БИТЫ EEPROM-00 "),
                true);
            if (m_writeCommand.isEmpty()) {
                refuseUnknown(m_on, true);
                return;
            }
            engine.setPendingCommand(m_writeCommand);
        }
    } else if (!m_writeCommand.isEmpty() && sent == m_writeCommand) {
        engine.setPendingCommand(answer == QLatin1String("!") ? kClear1A : m_writeCommand);
        m_context.journal(QStringLiteral("ОТПРАВЛЕНО В МОДУЛЬ НОВОЕ ЗНАЧЕНИЕ EEPROM-00 ") +
                          bitChars(m_bits, 0, 1) + QLatin1Char('1') + bitChars(m_bits, 3, 3) +
                          QLatin1Char(' ') + bitChars(m_bits, 4, 7));
    } else if (sent == kClear1A) {
        const bool acknowledged = answer == QLatin1String("!");
        m_context.journal(QStringLiteral("ОТПРАВЛЕН В МОДУЛЬ EEPROM-1A = 0"));
        if (acknowledged) {
            m_on.stop();
            emit switchedOn();
        } else {
            engine.setPendingCommand(kClear1A);
        }
    } else {
        return;
    }
    m_context.engine().resetProgress(0, 100);
}

void LambdaTraining::receiveOff(const QString& chunk) {
    TransactionEngine& engine = m_context.engine();
    const QString sent = engine.SentCommand();
    const QString answer = engine.answerSoFar(chunk);
    if (sent == wire::ReadEepromCommand(address::Flags00)) {
        if (answer.size() < 2)
            return;
        m_writeCommand = takeBitsAndCompose(
            answer,
            QStringLiteral("ПОЛУЧЕНИЕ ТАБЛИЦЫ ЛЯМБДЫ ПОСЛЕ ОБУЧЕНИЕ ЭМУЛЯТОРА. ПОЛУЧЕНЫ БИТЫ "
                           "EEPROM-00 "),
            false);
        if (m_writeCommand.isEmpty()) {
            refuseUnknown(m_off, false);
            return;
        }
        engine.setPendingCommand(m_writeCommand);
        return;
    }
    if (m_writeCommand.isEmpty() || sent != m_writeCommand)
        return;
    if (answer != QLatin1String("!")) {
        engine.setPendingCommand(m_writeCommand);
        return;
    }
    m_off.stop();
    m_context.page().editMain([](ChoiceSelection& s) { s.TicherEmu = false; });
    emit m_context.unlockRequested();
    emit switchedOff();
}
