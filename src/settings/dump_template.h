#pragma once

#include "dump_file.h"
#include "page_selection.h"

#include <QString>
#include <QStringList>

class DecimalFormat;
class InterfaceTexts;
struct ModuleSettings;

// The template page and the two write phases of a dump file, as pure functions.

// Opening a file onto the template page: the _Sh twins of EEPROM-00 and EEPROM-01 (not the
// language and menu view), the injector count (no button for a count outside 1..8), the value
// fields with their windows and captions (not PTN's window and caption), the name, the training
// indicator, and the file's correction basis. PTN is shown as b / 100.
void ShowImageOnTemplate(TemplatePage& page, const EepromImage& image, const InterfaceTexts& texts,
                         const DecimalFormat& format);
// Opening a file also replaces these in ModuleSettings: Flags00, Flags01 and ModuleName.
void TakeImageIntoSettings(ModuleSettings& settings, const EepromImage& image);

// "Записать в модуль", step 1: the main page's buttons of System, pump type, injector outputs,
// lambda-2, sensor type, asynchronous injection, language and menu view are pressed exactly as
// their twins (a group whose twins are all released is released), the injector count and the
// correction basis are taken over, and the values of OPR, Porog_T, ZdK, VolEng and KFuel are
// read from the template's fields (not PTN). Returns false, changing nothing, when a value field
// does not hold a number.
bool CopyTemplateToMain(const TemplatePage& page, const DecimalFormat& format,
                        ChoiceSelection& main, ModuleSettings& settings);

// Phase 1: every byte of the image but the module's name (EEPROM-78..7F), in address order:
// value + address, each low nibble first, + ")". 248 commands.
QStringList PhaseOneCommands(const EepromImage& image);

// Phase 2, composed from the main page and ModuleSettings after the copy: EEPROM-1A := 0, then
// the new EEPROM-00, EEPROM-01, the injector count (the file's byte when no count button is
// pressed), OPR, Porog_T, ZdK, VolEng and KFuel. The ignition value is not written: phase 1 has
// already written the file's own bytes at EEPROM-12 and EEPROM-1B. 9 commands.
QStringList PhaseTwoCommands(const ChoiceSelection& main, const ModuleSettings& settings,
                             const EepromImage& image);

// The five numeric settings the copy takes over and writes again.
inline constexpr std::array<NumericSetting, 5> kTemplateNumericSettings = {
    NumericSetting::OPR, NumericSetting::Porog_T, NumericSetting::ZdK, NumericSetting::VolEng,
    NumericSetting::KFuel};
