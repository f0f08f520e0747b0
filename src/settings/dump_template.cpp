#include "dump_template.h"

#include "decimal_format.h"
#include "module_settings.h"
#include "settings_map.h"
#include "settings_view.h"
#include "wire_codec.h"

namespace address = settings_map::address;

namespace {

double templateValue(NumericSetting setting, int b) {
    if (setting == NumericSetting::PTN)
        return b / 100.0; // two decimals on the template, unlike the connection read
    return NumericSettingFieldAt(RowOf(setting).address)->fromByte(b);
}

QString write(int value, int at) {
    return wire::WriteEepromCommand(value, at);
}

} // namespace

void ShowImageOnTemplate(TemplatePage& page, const EepromImage& image, const InterfaceTexts& texts,
                         const DecimalFormat& format) {
    const int flags00 = image[address::Flags00];
    const int flags01 = image[address::Flags01];
    const auto bits00 = settings_map::DecodeFlags00(flags00);
    const auto bits01 = settings_map::DecodeFlags01(flags01);
    ChoiceSelection& c = page.choices;
    page.TicherEmu = bits00.TicherEmu;
    c.PInBurn = bits00.PInBurn;
    c.PumpType = bits00.PumpType;
    c.System = bits00.System;
    c.KorrTab = bits00.KorrTab;
    c.Lambda_2 = bits01.Lambda_2;
    c.DMRVType = bits01.DMRVType;
    c.ASinc = bits01.ASinc;
    const int count = image[address::NumBurn];
    c.NumBurn = count >= 1 && count <= 8 ? count : 0;

    for (const NumericSettingRow& row : NumericSettingRows()) {
        const double value = templateValue(row.setting, image[row.address]);
        page.valueTexts[IndexOf(row.setting)] = format.format(value);
        if (row.setting == NumericSetting::PTN)
            continue;
        const ScaleView view =
            ScaleViewOf(row.setting, value, CaptionPrefix(row.setting, texts), format);
        page.scales[IndexOf(row.setting)] = ScaleDisplay{view.window, view.caption};
    }
    page.UKZ = NumericSettingFieldAt(address::UKZ)->fromByte(image[address::UKZ]);
    QString name;
    for (int i = 0; i < settings_map::ModuleNameLength; ++i)
        name += settings_map::NameCharFromByte(image[address::ModuleName + i]);
    page.moduleName = name;
    page.loaded = true;
}

void TakeImageIntoSettings(ModuleSettings& settings, const EepromImage& image) {
    settings.Flags00 = image[address::Flags00];
    settings.Flags01 = image[address::Flags01];
    QString name;
    for (int i = 0; i < settings_map::ModuleNameLength; ++i)
        name += settings_map::NameCharFromByte(image[address::ModuleName + i]);
    settings.ModuleName = name;
}

bool CopyTemplateToMain(const TemplatePage& page, const DecimalFormat& format,
                        ChoiceSelection& main, ModuleSettings& settings) {
    std::array<double, NumericSettingCount> values{};
    for (const NumericSetting setting : kTemplateNumericSettings) {
        const std::optional<double> value = format.parse(page.valueTexts[IndexOf(setting)]);
        if (!value)
            return false;
        values[IndexOf(setting)] = *value;
    }
    const ChoiceSelection& twin = page.choices;
    main.System = twin.System;
    main.PumpType = twin.PumpType;
    main.PInBurn = twin.PInBurn;
    main.Lambda_2 = twin.Lambda_2;
    main.DMRVType = twin.DMRVType;
    main.ASinc = twin.ASinc;
    main.Language = twin.Language;
    main.VidBloka = twin.VidBloka;
    main.NumBurn = twin.NumBurn;
    if (twin.KorrTab)
        main.KorrTab = twin.KorrTab;
    for (const NumericSetting setting : kTemplateNumericSettings)
        SetValue(settings, setting, values[IndexOf(setting)]);
    return true;
}

QStringList PhaseOneCommands(const EepromImage& image) {
    QStringList commands;
    commands.reserve(kDumpLineCount - settings_map::ModuleNameLength);
    for (int at = 0; at < kDumpLineCount; ++at) {
        if (at >= address::ModuleName && at < address::ModuleName + settings_map::ModuleNameLength)
            continue;
        commands << write(image[at], at);
    }
    return commands;
}

QStringList PhaseTwoCommands(const ChoiceSelection& main, const ModuleSettings& settings,
                             const EepromImage& image) {
    return {
        write(0, 0x1A),
        write(ComposeFlags00(main, settings.Flags00), address::Flags00),
        write(ComposeFlags01(main, settings.Flags01), address::Flags01),
        write(ComposeNumBurn(main, image[address::NumBurn]), address::NumBurn),
        WriteCommandOf(NumericSetting::OPR, settings.OPR),
        WriteCommandOf(NumericSetting::Porog_T, settings.Porog_T),
        WriteCommandOf(NumericSetting::ZdK, settings.ZdK),
        WriteCommandOf(NumericSetting::VolEng, settings.VolEng),
        WriteCommandOf(NumericSetting::KFuel, settings.KFuel),
    };
}
