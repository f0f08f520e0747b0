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
