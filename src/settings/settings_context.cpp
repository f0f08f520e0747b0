#include "settings_context.h"

#include "date_time_text.h"
#include "journal_sink.h"
#include "module_port.h"
#include "page_selection.h"
#include "transaction.h"
#include "transaction_engine.h"
#include "wire_codec.h"

#include <QDateTime>

QString StartRefusalText(StartResult result, const QString& runningTimer) {
    switch (result) {
    case StartResult::Started:
        return {};
    case StartResult::PortClosed:
        return QStringLiteral("Порт модуля закрыт: команда не отправлена.");
    case StartResult::Busy:
        Q_UNUSED(runningTimer) // an internal name, never shown
        return QStringLiteral("Модуль занят другой операцией: команда не отправлена. "
                              "Повторите после её завершения.");
    case StartResult::Invalid:
        return QStringLiteral("Данные не годятся для записи: команда не отправлена.");
    case StartResult::ByteUnknown:
        return {}; // the text names the byte: refuseUnknownByte
    }
    return {};
}

SettingsContext::SettingsContext(TransactionEngine& engine, ModuleSettingsModel& model,
                                 SettingsPageModel& page, QObject* parent)
    : QObject(parent), m_engine(engine), m_model(model), m_page(page) {}

QString SettingsContext::dateTimeText() const {
    return m_dateTime ? m_dateTime() : JournalDateTimeText(QDateTime::currentDateTime());
}

void SettingsContext::journal(const QString& line) const {
    m_engine.journal().Append(line);
}

QString SettingsContext::runningTimer() const {
    for (const char* name : TransactionEngine::BranchOrder()) {
        const Transaction* t = m_engine.transaction(QLatin1String(name));
        if (t && t->isEnabled())
            return t->timerName();
    }
    return {};
}

StartResult SettingsContext::checkStart(const QString& operation) {
    StartResult result = StartResult::Started;
    if (!m_engine.port().Connected())
        result = StartResult::PortClosed;
    else if (m_engine.anyEnabled())
        result = StartResult::Busy;
    if (result != StartResult::Started)
        refuse(operation, result, refusalText(result));
    return result;
}

QString SettingsContext::refusalText(StartResult result) const {
    QString text;
    switch (result) {
    case StartResult::PortClosed:
        text = m_texts.text(u"Msg_SettingsPortClosed");
        break;
    case StartResult::Busy: {
        // The running operation in the user's words; its timer's name means nothing to them.
        const QString running =
            m_texts.text(QStringLiteral("Msg_Running%1").arg(QLatin1Char('_') + runningTimer()));
        text = running.isEmpty() ? m_texts.text(u"Msg_SettingsBusy")
                                 : m_texts.text(u"Msg_SettingsBusyWith").arg(running);
        break;
    }
    case StartResult::Invalid:
        text = m_texts.text(u"Msg_SettingsInvalid");
        break;
    default:
        break;
    }
    return text.isEmpty() ? StartRefusalText(result) : text;
}

void SettingsContext::refuseUnknownByte(const QString& operation, int address) {
    QString text = m_texts.text(u"Msg_ByteUnknown");
    if (!text.contains(QLatin1String("%1")))
        text = QStringLiteral("Msg_ByteUnknown EEPROM-%1"); // no language applied (tests)
    refuse(operation, StartResult::ByteUnknown, text.arg(wire::HumanAddress(address)));
}

void SettingsContext::refuse(const QString& operation, StartResult reason, const QString& message) {
    emit refused(operation, reason, message);
    m_page.announceAll();
}
