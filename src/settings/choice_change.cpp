#include "choice_change.h"

#include "journal.h"
#include "module_settings.h"
#include "page_selection.h"
#include "settings_map.h"
#include "transaction_engine.h"
#include "wire_codec.h"

#include <cmath>

using settings_map::PumpTypeChoice;
namespace address = settings_map::address;

namespace {

const QString kBitsReceived = QStringLiteral("ПОЛУЧЕНЫ БИТЫ EEPROM-");

} // namespace

const std::array<ChoiceOperationInfo, ChoiceOperationCount>& ChoiceOperations() {
    using O = ChoiceOperation;
    static const std::array<ChoiceOperationInfo, ChoiceOperationCount> table = {{
        {O::Other_System_On, "ssb_System_On", "ssb_System_On_Sh", " Включить систему",
         "Other_System_On", address::Flags00},
        {O::Other_System_Off, "ssb_System_Off", "ssb_System_Off_Sh", " Выключить систему",
         "Other_System_Off", address::Flags00},
        {O::PInBurn_Water, "ssb_PInBurn_Water", "ssb_PInBurn_Water_Sh",
         " Применение выходов форсунок: Вода", "PInBurn_Water", address::Flags00},
        {O::PInBurn_Fuel, "ssb_PInBurn_Fuel", "ssb_PInBurn_Fuel_Sh",
         " Применение выходов форсунок: Топливо", "PInBurn_Fuel", address::Flags00},
        {O::TP_Auto, "ssb_PumpType_Auto", "ssb_PumpType_Auto_Sh", " Тип насоса: Автомат", "TP_Auto",
         address::Flags00},
        {O::TP_Simple, "ssb_PumpType_Simple", "ssb_PumpType_Simple_Sh", " Тип насоса: Простой",
         "TP_Simple", address::Flags00},
        {O::TP_Ignore, "ssb_PumpType_Ignore", "ssb_PumpType_Ignore_Sh", " Тип насоса: Игнорировать",
         "TP_Ignore", address::Flags00},
        {O::KorrTab_MAF, "atb_KorrTab_MAF", nullptr,
         " Производить коррекцию таблиц по напряжению от MAF", "KorrTab_MAF", address::Flags00},
        {O::KorrTab_VV, "atb_KorrTab_VV", nullptr,
         " Производить коррекцию таблиц по напряжению от времени впрыска", "KorrTab_VV",
         address::Flags00},
        {O::LAMBDA_2_Normal, "ssb_Lambda_2_Simple", "ssb_Lambda_2_Simple_Sh",
         " Применение лямбда-2: обычный", "LAMBDA_2_Normal", address::Flags01},
        {O::LAMBDA_2_Catalizer, "ssb_Lambda_2_Catalizer", "ssb_Lambda_2_Catalizer_Sh",
         " Применение лямбда-2: катализатор", "LAMBDA_2_Catalizer", address::Flags01},
        {O::Lang_Rus, "ssb_Rus", "ssb_Rus_Sh", " Установлен русский язык", "Lang_Rus",
         address::Flags01},
        {O::Lang_Eng, "ssb_Eng", "ssb_Eng_Sh", " Установлен английский язык", "Lang_Eng",
         address::Flags01},
        {O::DMRV_Type_Sensor_MAF, "ssb_DMRVType_MAF", "ssb_DMRVType_MAF_Sh",
         " Установить тип датчика - MAF", "DMRV_Type_Sensor_MAF", address::Flags01},
        {O::DMRV_Type_Sensor_MAP, "ssb_DMRVType_MAP", "ssb_DMRVType_MAP_Sh",
         " Установить тип датчика - MAP", "DMRV_Type_Sensor_MAP", address::Flags01},
        {O::Asinc_Same, "ssb_ASinc_Same", "ssb_ASinc_Same_Sh", " Асинхронный впрыск: Одинаковое",
         "Asinc_Same", address::Flags01},
        {O::Asinc_Different, "ssb_ASinc_Different", "ssb_ASinc_Different_Sh",
         " Асинхронный впрыск: Разное", "Asinc_Different", address::Flags01},
        {O::Other_NumBurn_1, "sb_NumBurn_1", "sb_NumBurn_1_Sh", " Установить число форсунок = 1",
         "Other_NumBurn_1", address::NumBurn},
        {O::Other_NumBurn_2, "sb_NumBurn_2", "sb_NumBurn_2_Sh", " Установить число форсунок = 2",
         "Other_NumBurn_2", address::NumBurn},
        {O::Other_NumBurn_3, "sb_NumBurn_3", "sb_NumBurn_3_Sh", " Установить число форсунок = 3",
         "Other_NumBurn_3", address::NumBurn},
        {O::Other_NumBurn_4, "sb_NumBurn_4", "sb_NumBurn_4_Sh", " Установить число форсунок = 4",
         "Other_NumBurn_4", address::NumBurn},
        {O::Other_NumBurn_5, "sb_NumBurn_5", "sb_NumBurn_5_Sh", " Установить число форсунок = 5",
         "Other_NumBurn_5", address::NumBurn},
        {O::Other_NumBurn_6, "sb_NumBurn_6", "sb_NumBurn_6_Sh", " Установить число форсунок = 6",
         "Other_NumBurn_6", address::NumBurn},
        {O::Other_NumBurn_7, "sb_NumBurn_7", "sb_NumBurn_7_Sh", " Установить число форсунок = 7",
         "Other_NumBurn_7", address::NumBurn},
        {O::Other_NumBurn_8, "sb_NumBurn_8", "sb_NumBurn_8_Sh", " Установить число форсунок = 8",
         "Other_NumBurn_8", address::NumBurn},
    }};
    return table;
}

const ChoiceOperationInfo& InfoOf(ChoiceOperation operation) {
    return ChoiceOperations()[int(operation)];
}

std::optional<ChoiceOperation> ChoiceOperationNamed(const QString& settingName) {
    for (const ChoiceOperationInfo& info : ChoiceOperations()) {
        if (settingName == QLatin1String(info.settingName))
            return info.operation;
    }
    return std::nullopt;
}

void Press(ChoiceSelection& s, ChoiceOperation operation) {
    using O = ChoiceOperation;
    switch (operation) {
    case O::Other_System_On:
        s.System = false;
        return;
    case O::Other_System_Off:
        s.System = true;
        return;
    case O::PInBurn_Water:
        s.PInBurn = false;
        return;
    case O::PInBurn_Fuel:
        s.PInBurn = true;
        return;
    case O::TP_Auto:
        s.PumpType = PumpTypeChoice::Auto;
        return;
    case O::TP_Simple:
        s.PumpType = PumpTypeChoice::Simple;
        return;
    case O::TP_Ignore:
        s.PumpType = PumpTypeChoice::Ignore;
        return;
    case O::KorrTab_MAF:
        s.KorrTab = true;
        return;
    case O::KorrTab_VV:
        s.KorrTab = false;
        return;
    case O::LAMBDA_2_Normal:
        s.Lambda_2 = false;
        return;
    case O::LAMBDA_2_Catalizer:
        s.Lambda_2 = true;
        return;
    case O::Lang_Rus:
        s.Language = false;
        return;
    case O::Lang_Eng:
        s.Language = true;
        return;
    case O::DMRV_Type_Sensor_MAF:
        s.DMRVType = false;
        return;
    case O::DMRV_Type_Sensor_MAP:
        s.DMRVType = true;
        return;
    case O::Asinc_Same:
        s.ASinc = false;
        return;
    case O::Asinc_Different:
        s.ASinc = true;
        return;
    default:
        s.NumBurn = int(operation) - int(O::Other_NumBurn_1) + 1;
        return;
    }
}

ChoiceChange::ChoiceChange(SettingsContext& context, QObject* parent)
    : QObject(parent), m_context(context),
      m_regRab(context.engine(), QStringLiteral("Timer_RegRab"), IntervalMs,
               PortClosedPolicy::SkipWrite, false, this),
      m_control(context.engine(), QStringLiteral("Timer_RegRab_Control"), IntervalMs,
                PortClosedPolicy::SkipWrite, false, this) {
    m_regRab.setFastCapable(true);
    m_control.setFastCapable(true);
    m_regRab.setBranch([this](const QString& chunk) { receiveRegRab(chunk); });
    m_control.setBranch([this](const QString& chunk) { receiveControl(chunk); });
}

StartResult ChoiceChange::run(ChoiceOperation operation, PageSide side) {
    const ChoiceOperationInfo& info = InfoOf(operation);
    const StartResult check = m_context.checkStart(QLatin1String(info.settingName));
    if (check != StartResult::Started)
        return check;
    SettingsPageModel& page = m_context.page();
    m_selectionBefore = page.main();
    if (side == PageSide::Main)
        page.editMain([&](ChoiceSelection& s) { Press(s, operation); });
    else
        page.editTemplate([&](TemplatePage& t) { Press(t.choices, operation); });
    m_context.journal(
        UserActionLine(m_context.dateTimeText(), QString::fromUtf8(info.journalText)));
    m_operation = operation;
    m_settingName = QLatin1String(info.settingName);
    m_writeCommand.clear();
    emit started(operation);
    m_regRab.start(wire::ReadEepromCommand(address::Flags00));
    return StartResult::Started;
}

void ChoiceChange::takeFlags(int flagsAddress, const QString& answer) {
    const std::optional<int> byte = settings_map::ByteOfAnswer(answer);
    if (!byte)
        return; // the bits stay as last decoded and the operation goes on
    m_context.model().edit([&](ModuleSettings& s) {
        (flagsAddress == address::Flags00 ? s.Flags00 : s.Flags01) = *byte;
        s.setKnown(flagsAddress);
    });
    m_context.journal(EventLine(kBitsReceived + wire::HumanAddress(flagsAddress) + QLatin1Char(' '),
                                m_context.dateTimeText()));
    m_context.journal(settings_map::ChangeFlagsJournalLine(flagsAddress, *byte));
}

void ChoiceChange::receiveRegRab(const QString& chunk) {
    TransactionEngine& engine = m_context.engine();
    const QString sent = engine.SentCommand();
    const QString answer = engine.answerSoFar(chunk);
    const QString read00 = wire::ReadEepromCommand(address::Flags00);
    const QString read01 = wire::ReadEepromCommand(address::Flags01);

    if (sent == read00 || sent == read01) {
        // A two-character answer split over two receive events is taken whole; a complete
        // answer, valid or not, moves the operation on.
        if (answer.size() < 2)
            return;
        if (sent == read00) {
            takeFlags(address::Flags00, answer);
            engine.setPendingCommand(read01);
            return;
        }
        takeFlags(address::Flags01, answer);
        const ModuleSettings& s = m_context.model().settings();
        const int target = InfoOf(m_operation).address;
        if (target != address::NumBurn && !s.isKnown(target)) {
            // Composing would keep the unnamed bits of a byte nobody has read: refused, and the
            // page shows what it showed before the click.
            m_regRab.stop();
            m_context.page().setMain(m_selectionBefore);
            m_context.refuseUnknownByte(m_settingName, target);
            return;
        }
        const ChoiceSelection& page = m_context.page().main();
        m_newFlags00 = wire::ValueToSend(ComposeFlags00(page, s.Flags00));
        m_newFlags01 = wire::ValueToSend(ComposeFlags01(page, s.Flags01));
        const int fallback = s.NumBurn >= 0 && s.NumBurn <= 255 ? int(s.NumBurn) : 0;
        m_newNumBurn = wire::ValueToSend(ComposeNumBurn(page, fallback));
        switch (InfoOf(m_operation).address) {
        case address::Flags00:
            m_writeCommand = m_newFlags00 + wire::ValueToSend(address::Flags00) + QLatin1Char(')');
            break;
        case address::Flags01:
            m_writeCommand = m_newFlags01 + wire::ValueToSend(address::Flags01) + QLatin1Char(')');
            break;
        default:
            m_writeCommand = m_newNumBurn + wire::ValueToSend(address::NumBurn) + QLatin1Char(')');
            break;
        }
        engine.setPendingCommand(m_writeCommand);
        return;
    }

    if (m_writeCommand.isEmpty() || sent != m_writeCommand)
        return;
    if (answer != QLatin1String("!")) {
        engine.setPendingCommand(m_writeCommand); // the write again
        return;
    }
    emit written(m_operation, m_writeCommand);
    const int written = InfoOf(m_operation).address;
    m_regRab.stop();
    if (written == address::NumBurn) {
        emit finished(m_operation);
        return;
    }
    m_control.start(wire::ReadEepromCommand(written));
}

void ChoiceChange::receiveControl(const QString& chunk) {
    TransactionEngine& engine = m_context.engine();
    const QString sent = engine.SentCommand();
    const bool check00 = sent == wire::ReadEepromCommand(address::Flags00);
    const bool check01 = sent == wire::ReadEepromCommand(address::Flags01);
    if (!check00 && !check01)
        return;
    const QString received = engine.answerSoFar(chunk);
    const QString& expected = check00 ? m_newFlags00 : m_newFlags01;
    if (check00) {
        m_edit7 = received;
        m_edit8 = expected;
    }
    if (received != expected) {
        engine.setPendingCommand(sent);
        return;
    }
    m_control.stop();
    emit finished(m_operation);
}
