#include "settings_features.h"

#include "connect_read.h"
#include "module_settings.h"
#include "settings_view.h"

SettingsFeatures::SettingsFeatures(TransactionEngine& engine, ModuleSettingsModel& model,
                                   QObject* parent)
    : QObject(parent), m_context(engine, model, m_page), m_choices(m_context), m_stepper(m_context),
      m_dumps(m_context), m_engineering(m_context), m_lambda(m_context) {}

void SettingsFeatures::follow(ConnectRead& read) {
    m_page.follow(read);
    connect(&read, &ConnectRead::readStarted, this, [this] {
        std::array<QString, NumericSettingCount> prefixes;
        for (const NumericSettingRow& row : NumericSettingRows())
            prefixes[IndexOf(row.setting)] = CaptionPrefix(row.setting, m_context.texts());
        m_page.clearForRead(prefixes);
    });
}

SettingsView SettingsFeatures::Btn_Raschet_Marvek_2Click() {
    const SettingsView view = MakeSettingsView(m_context.model().settings(), m_page.main(),
                                               m_context.texts(), m_context.format());
    ApplySettingsView(m_page, view);
    emit viewRefreshed(view);
    return view;
}
