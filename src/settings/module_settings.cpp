#include "module_settings.h"

void ModuleSettingsModel::setSettings(const ModuleSettings& settings) {
    if (settings == m_settings)
        return;
    m_settings = settings;
    emit settingsChanged();
}
