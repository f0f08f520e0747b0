#include "engineering_change.h"

#include "journal.h"
#include "module_settings.h"
#include "settings_map.h"
#include "transaction_engine.h"
#include "wire_codec.h"

namespace address = settings_map::address;

const std::array<FixedEngineeringWriteInfo, FixedEngineeringWriteCount>& FixedEngineeringWrites() {
    using W = FixedEngineeringWrite;
    static const std::array<FixedEngineeringWriteInfo, FixedEngineeringWriteCount> table = {{
        {W::LUup_012, "ssb_LUup_012", "0,12", "E002)"},
        {W::LUup_025, "ssb_LUup_025", "0,25", "C102)"},
        {W::LUup_050, "ssb_LUup_050", "0,50", "8302)"},
        {W::LUup_075, "ssb_LUup_075", "0,75", "1402)"},
        {W::LUdown_012, "ssb_LUdown_012", "0,12", "E012)"},
        {W::LUdown_025, "ssb_LUdown_025", "0,25", "C112)"},
        {W::LUdown_050, "ssb_LUdown_050", "0,50", "8312)"},
        {W::LUdown_075, "ssb_LUdown_075", "0,75", "1412)"},
        {W::UPL_0, "ssb_UPL_0", "0 В", "77E1)"},
        {W::UPL_045, "ssb_UPL_045", "0,45 В", "64E1)"},
    }};
    return table;
}

const FixedEngineeringWriteInfo& InfoOf(FixedEngineeringWrite write) {
    return FixedEngineeringWrites()[int(write)];
}

const char* ButtonOf(EngineeringChoice choice) {
    static const char* const buttons[] = {
        "ssb_LDiapazone_No", "ssb_LDiapazone_Yes", "ssb_VidBloka_Ingener", "ssb_VidBloka_Simple",
        "ssb_Use_L_No",      "ssb_Use_L_Yes",      "ssb_CalcWater_Summ",   "ssb_CalcWater_Same",
    };
    return buttons[int(choice)];
}

void Press(ChoiceSelection& s, EngineeringChoice choice) {
    using C = EngineeringChoice;
    switch (choice) {
    case C::LDiapazone_No:
    case C::LDiapazone_Yes:
        s.LDiapazone = choice == C::LDiapazone_Yes;
        return;
    case C::VidBloka_Ingener:
    case C::VidBloka_Simple:
        s.VidBloka = choice == C::VidBloka_Simple;
        return;
    case C::Use_L_No:
    case C::Use_L_Yes:
        s.Use_L = choice == C::Use_L_Yes;
        return;
    case C::CalcWater_Summ:
    case C::CalcWater_Same:
        s.CalcWater = choice == C::CalcWater_Same;
        return;
    }
}

namespace {

void pressFixed(ChoiceSelection& s, FixedEngineeringWrite write) {
    using W = FixedEngineeringWrite;
    const int n = int(write);
    if (n <= int(W::LUup_075))
        s.LUup = LambdaRate(n - int(W::LUup_012));
    else if (n <= int(W::LUdown_075))
        s.LUdown = LambdaRate(n - int(W::LUdown_012));
    else
        s.UPL = write == W::UPL_0 ? HeatingVoltage::V0 : HeatingVoltage::V045;
}

} // namespace

EngineeringChange::EngineeringChange(SettingsContext& context, QObject* parent)
    : QObject(parent), m_context(context),
      m_fixed(context.engine(), QStringLiteral("Timer_2012_Ingeneer"), FixedIntervalMs,
              PortClosedPolicy::SkipWrite, false, this),
      m_flags1F(context.engine(), QStringLiteral("Timer_2012_Ingeneer_2"), Flags1FIntervalMs,
                PortClosedPolicy::SkipWrite, false, this) {
    m_fixed.setFastCapable(true);
    m_flags1F.setFastCapable(true);
    m_fixed.setBranch([this](const QString& chunk) { receiveFixed(chunk); });
    m_flags1F.setBranch([this](const QString& chunk) { receiveFlags1F(chunk); });
}

StartResult EngineeringChange::writeFixed(FixedEngineeringWrite write) {
    const FixedEngineeringWriteInfo& info = InfoOf(write);
    const StartResult check = m_context.checkStart(QLatin1String(info.button));
    if (check != StartResult::Started)
        return check;
    m_context.page().editMain([&](ChoiceSelection& s) { pressFixed(s, write); });
    m_fixedWrite = write;
    m_fixedCommand = QLatin1String(info.command);
    m_fixed.start(m_fixedCommand);
    return StartResult::Started;
}

void EngineeringChange::receiveFixed(const QString& chunk) {
    TransactionEngine& engine = m_context.engine();
    if (engine.SentCommand() != m_fixedCommand)
        return;
    if (engine.answerSoFar(chunk) != QLatin1String("!")) {
        engine.setPendingCommand(m_fixedCommand);
        return;
    }
    m_fixed.stop();
    emit fixedWritten(m_fixedWrite);
}

StartResult EngineeringChange::changeFlags1F(EngineeringChoice choice, PageSide side) {
    const StartResult check = m_context.checkStart(QLatin1String(ButtonOf(choice)));
    if (check != StartResult::Started)
        return check;
    m_selectionBefore = m_context.page().main();
    m_operation = QLatin1String(ButtonOf(choice));
    if (side == PageSide::Main)
        m_context.page().editMain([&](ChoiceSelection& s) { Press(s, choice); });
    else
        m_context.page().editTemplate([&](TemplatePage& t) { Press(t.choices, choice); });
    if (choice == EngineeringChoice::LDiapazone_No || choice == EngineeringChoice::LDiapazone_Yes)
        emit curveRangeChanged(choice == EngineeringChoice::LDiapazone_Yes);
    m_flags1FWrite.clear();
    m_flags1F.start(wire::ReadEepromCommand(address::Flags1F));
    return StartResult::Started;
}

void EngineeringChange::receiveFlags1F(const QString& chunk) {
    TransactionEngine& engine = m_context.engine();
    const QString sent = engine.SentCommand();
    const QString answer = engine.answerSoFar(chunk);
    if (sent == wire::ReadEepromCommand(address::Flags1F)) {
        if (answer.size() < 2)
            return; // the rest of a split answer is on its way
        if (const std::optional<int> byte = settings_map::ByteOfAnswer(answer)) {
            m_context.model().edit([&](ModuleSettings& s) {
                s.Flags1F = *byte;
                s.setKnown(address::Flags1F);
            });
            m_context.journal(
                EventLine(QStringLiteral("ПОЛУЧЕНЫ БИТЫ EEPROM-1F "), m_context.dateTimeText()));
            m_context.journal(settings_map::FlagsJournalLine(address::Flags1F, *byte));
        }
        if (!m_context.model().settings().isKnown(address::Flags1F)) {
            m_flags1F.stop();
            m_context.page().setMain(m_selectionBefore);
            m_context.refuseUnknownByte(m_operation, address::Flags1F);
            return;
        }
        const int composed =
            ComposeFlags1F(m_context.page().main(), m_context.model().settings().Flags1F);
        m_flags1FWrite = wire::WriteEepromCommand(composed, address::Flags1F);
        engine.setPendingCommand(m_flags1FWrite);
        return;
    }
    if (m_flags1FWrite.isEmpty() || sent != m_flags1FWrite)
        return;
    if (answer != QLatin1String("!")) {
        engine.setPendingCommand(m_flags1FWrite);
        return;
    }
    m_flags1F.stop();
    emit flags1FWritten(m_flags1FWrite);
}
