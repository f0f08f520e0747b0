#include "page_selection.h"

#include "connect_read.h"

using settings_map::Bit;
using settings_map::PumpTypeChoice;

namespace {

int withBit(int byte, int n, bool on) {
    return on ? byte | (1 << n) : byte & ~(1 << n);
}

int withOptionalBit(int byte, int n, const std::optional<bool>& pressed) {
    return pressed ? withBit(byte, n, *pressed) : byte;
}

} // namespace

void ShowFlags00(ChoiceSelection& page, int byte) {
    const auto bits = settings_map::DecodeFlags00(byte);
    page.KorrTab = bits.KorrTab;
    page.TicherEmu = bits.TicherEmu;
    page.PInBurn = bits.PInBurn;
    page.PumpType = bits.PumpType;
    page.System = bits.System;
}

void ShowFlags01(ChoiceSelection& page, int byte) {
    const auto bits = settings_map::DecodeFlags01(byte);
    page.Lambda_2 = bits.Lambda_2;
    page.Language = bits.Language;
    page.DMRVType = bits.DMRVType;
    page.ASinc = bits.ASinc;
}

void ShowFlags1F(ChoiceSelection& page, int byte) {
    const auto bits = settings_map::DecodeFlags1F(byte);
    page.LDiapazone = bits.LDiapazone;
    page.VidBloka = bits.VidBloka;
    page.Use_L = bits.Use_L;
    page.CalcWater = bits.CalcWater;
}

void ShowNumBurn(ChoiceSelection& page, int count) {
    if (count >= 1 && count <= 8)
        page.NumBurn = count;
}

int ComposeFlags00(const ChoiceSelection& page, int asRead) {
    int byte = asRead & 0xFF;
    byte = withOptionalBit(byte, 1, page.KorrTab);
    byte = withOptionalBit(byte, 3, page.PInBurn);
    if (page.PumpType) {
        switch (*page.PumpType) {
        case PumpTypeChoice::Simple:
            byte = withBit(withBit(byte, 4, false), 5, false);
            break;
        case PumpTypeChoice::Auto:
            byte = withBit(withBit(byte, 4, true), 5, false);
            break;
        case PumpTypeChoice::Ignore:
            byte = withBit(byte, 5, true);
            break;
        }
    }
    byte = withOptionalBit(byte, 7, page.System);
    return byte;
}

int ComposeFlags01(const ChoiceSelection& page, int asRead) {
    int byte = asRead & 0xFF;
    byte = withOptionalBit(byte, 0, page.Lambda_2);
    byte = withOptionalBit(byte, 1, page.Language);
    byte = withOptionalBit(byte, 2, page.DMRVType);
    byte = withOptionalBit(byte, 7, page.ASinc);
    return byte;
}

int ComposeFlags1F(const ChoiceSelection& page, int asRead) {
    int byte = asRead & 0xFF;
    byte = withOptionalBit(byte, 0, page.LDiapazone);
    byte = withOptionalBit(byte, 5, page.VidBloka);
    byte = withOptionalBit(byte, 6, page.Use_L);
    byte = withOptionalBit(byte, 7, page.CalcWater);
    return byte;
}

int ComposeNumBurn(const ChoiceSelection& page, int fallback) {
    return page.NumBurn >= 1 && page.NumBurn <= 8 ? page.NumBurn : fallback;
}

void SettingsPageModel::setMain(const ChoiceSelection& selection) {
    if (selection == m_main)
        return;
    m_main = selection;
    emit mainChanged();
}

void SettingsPageModel::setTemplatePage(const TemplatePage& page) {
    if (page == m_template)
        return;
    m_template = page;
    emit templateChanged();
}

void SettingsPageModel::setScale(NumericSetting setting, const ScaleDisplay& display) {
    ScaleDisplay& current = m_scales[IndexOf(setting)];
    if (current == display)
        return;
    current = display;
    emit scaleChanged(setting);
}

void SettingsPageModel::sButton2Click() {
    if (m_engineeringPanel != EngineeringPanel::Locked)
        return;
    m_engineeringPanel = EngineeringPanel::Unlocked;
    emit engineeringPanelChanged(m_engineeringPanel);
}

void SettingsPageModel::sButton3Click() {
    if (m_engineeringPanel == EngineeringPanel::Removed)
        return;
    m_engineeringPanel = EngineeringPanel::Removed;
    emit engineeringPanelChanged(m_engineeringPanel);
}

void SettingsPageModel::showDecoded(int address, int byte) {
    namespace a = settings_map::address;
    editMain([&](ChoiceSelection& page) {
        switch (address) {
        case a::Flags00:
            ShowFlags00(page, byte);
            break;
        case a::Flags01:
            ShowFlags01(page, byte);
            break;
        case a::Flags1F:
            ShowFlags1F(page, byte);
            break;
        case a::NumBurn:
            ShowNumBurn(page, byte);
            break;
        default:
            break;
        }
    });
}

void SettingsPageModel::follow(ConnectRead& read) {
    connect(&read, &ConnectRead::byteDecoded, this, &SettingsPageModel::showDecoded);
}

void SettingsPageModel::clearForRead(
    const std::array<QString, NumericSettingCount>& captionPrefixes) {
    // The correction basis is the program's own choice (Info_A.ini keeps it), not the module's
    // state, so it stays; everything the read takes from the module shows nothing until read.
    ChoiceSelection cleared;
    cleared.KorrTab = m_main.KorrTab;
    setMain(cleared);
    for (const NumericSettingRow& row : NumericSettingRows())
        setScale(row.setting, ScaleDisplay{std::nullopt, captionPrefixes[IndexOf(row.setting)]});
}

void SettingsPageModel::announceAll() {
    emit mainChanged();
    emit templateChanged();
    for (const NumericSettingRow& row : NumericSettingRows())
        emit scaleChanged(row.setting);
    emit engineeringPanelChanged(m_engineeringPanel);
}
