#pragma once

#include "settings_map.h"

#include <QObject>
#include <QString>

#include <array>
#include <bitset>
#include <optional>
#include <utility>

// The program's copy of the module's settings, filled by the connection read and changed by the
// settings operations.
struct ModuleSettings {
    // Bit-field bytes EEPROM-00, EEPROM-01 and EEPROM-1F.
    int Flags00 = 0;
    int Flags01 = 0;
    int Flags1F = 0;

    // Numeric settings, decoded from their bytes by the settings map.
    double KFuel = 0;
    double PTN = 0;
    double NumBurn = 0;
    double Porog_T = 0;
    double VolEng = 0;
    double ZdK = 0;
    double UKZ = 0;
    double OPR = 0;
    double UPL = 0;
    double LUup = 0;
    double LUdown = 0;

    // The eight characters of EEPROM-78..7F, as the identification formed them.
    QString ModuleName;

    // Nibbles of the register answers "47%", "57%" (fuel flow factor) and "04%", "14%", "24%"
    // (fuel-used counter), in the order the answers carry them: low nibble, then high nibble.
    std::array<int, 4> FuelFlowDigits{};
    std::array<int, 6> FuelCounterDigits{};

    // EEPROM bytes whose value is not known: a connection read started and has not taken them
    // (or gave up on them). Their fields hold no value of this module: pages show them empty and
    // a change that composes a byte from one of them is refused.
    std::bitset<256> unknownBytes;
    bool isKnown(int address) const { return !unknownBytes.test(size_t(address & 0xFF)); }
    void setKnown(int address) { unknownBytes.reset(size_t(address & 0xFF)); }
    // The settings as they are before a connection read has taken anything: every byte the read
    // takes from the EEPROM unknown, everything else at its default.
    static ModuleSettings BeforeRead();

    bool operator==(const ModuleSettings&) const = default;
};

// The numeric settings of the module, one row each (setting_rows.cpp holds the one table with
// their page controls, limits and encodings too): the connection read, the settings page, the
// template, the dump compare and marvek2-cli take their names, addresses, fields and decodings
// from it, so that no second switch over the same names exists.
struct NumericSettingField {
    const char* name;                // "KFuel": the ModuleSettings field, the CLI's key
    int address;                     // EEPROM byte
    settings_map::ReadTarget target; // the step of the connection read that takes it
    double ModuleSettings::*value;   // where the program keeps it
    double (*fromByte)(int b);       // the connection read's decoding
};
inline constexpr int NumericSettingFieldCount = 11;
const std::array<NumericSettingField, NumericSettingFieldCount>& NumericSettingFields();
// The row of a read step or of an EEPROM address; null for anything that is not a number.
const NumericSettingField* NumericSettingFieldOf(settings_map::ReadTarget target);
const NumericSettingField* NumericSettingFieldAt(int address);
// The value a read step's byte decodes to; nothing for steps that are not numeric settings.
std::optional<double> NumericSettingFromByte(settings_map::ReadTarget target, int b);

// Holds the one ModuleSettings of the program. Transactions write into it; widgets bind to it and
// redraw on settingsChanged.
class ModuleSettingsModel : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    const ModuleSettings& settings() const { return m_settings; }
    // Emits settingsChanged when anything differs.
    void setSettings(const ModuleSettings& settings);
    // Changes a copy and stores it: model.edit([](ModuleSettings& s) { s.KFuel = 100; });
    template <typename Change> void edit(Change&& change) {
        ModuleSettings copy = m_settings;
        std::forward<Change>(change)(copy);
        setSettings(copy);
    }

    // The named bits of the three bit-field bytes: what the settings pages show pressed.
    settings_map::Flags00Bits flags00() const {
        return settings_map::DecodeFlags00(m_settings.Flags00);
    }
    settings_map::Flags01Bits flags01() const {
        return settings_map::DecodeFlags01(m_settings.Flags01);
    }
    settings_map::Flags1FBits flags1F() const {
        return settings_map::DecodeFlags1F(m_settings.Flags1F);
    }

signals:
    void settingsChanged();

private:
    ModuleSettings m_settings;
};
