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
