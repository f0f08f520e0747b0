#include "module_settings.h"

ModuleSettings ModuleSettings::BeforeRead() {
    ModuleSettings settings;
    for (const settings_map::ReadStep& step : settings_map::ConnectReadSequence()) {
        if (QLatin1String(step.command).endsWith(QLatin1Char('*')))
            settings.unknownBytes.set(size_t(step.address));
    }
    return settings;
}

void ModuleSettingsModel::setSettings(const ModuleSettings& settings) {
    if (settings == m_settings)
        return;
    m_settings = settings;
    emit settingsChanged();
}

const std::array<NumericSettingField, NumericSettingFieldCount>& NumericSettingFields() {
    namespace m = settings_map;
    namespace a = settings_map::address;
    using T = settings_map::ReadTarget;
    using S = ModuleSettings;
    static const std::array<NumericSettingField, NumericSettingFieldCount> table = {{
        {"KFuel", a::KFuel, T::KFuel, &S::KFuel, &m::KFuelFromByte},
        {"PTN", a::PTN, T::PTN, &S::PTN, &m::PTNFromByte},
        {"NumBurn", a::NumBurn, T::NumBurn, &S::NumBurn, &m::NumBurnFromByte},
        {"Porog_T", a::Porog_T, T::Porog_T, &S::Porog_T, &m::Porog_TFromByte},
        {"VolEng", a::VolEng, T::VolEng, &S::VolEng, &m::VolEngFromByte},
        {"ZdK", a::ZdK, T::ZdK, &S::ZdK, &m::ZdKFromByte},
        {"UKZ", a::UKZ, T::UKZ, &S::UKZ, &m::UKZFromByte},
        {"OPR", a::OPR, T::OPR, &S::OPR, &m::OPRFromByte},
        {"UPL", a::UPL, T::UPL, &S::UPL, &m::UPLFromByte},
        {"LUup", a::LUup, T::LUup, &S::LUup, &m::LUupFromByte},
        {"LUdown", a::LUdown, T::LUdown, &S::LUdown, &m::LUdownFromByte},
    }};
    return table;
}

const NumericSettingField* NumericSettingFieldOf(settings_map::ReadTarget target) {
    for (const NumericSettingField& field : NumericSettingFields()) {
        if (field.target == target)
            return &field;
    }
    return nullptr;
}

const NumericSettingField* NumericSettingFieldAt(int address) {
    for (const NumericSettingField& field : NumericSettingFields()) {
        if (field.address == address)
            return &field;
    }
    return nullptr;
}

std::optional<double> NumericSettingFromByte(settings_map::ReadTarget target, int b) {
    const NumericSettingField* field = NumericSettingFieldOf(target);
    if (!field)
        return std::nullopt;
    return field->fromByte(b);
}
