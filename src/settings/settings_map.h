#pragma once

#include <QChar>
#include <QString>
#include <QStringView>

#include <array>
#include <optional>

// Where the module keeps each setting and how its byte turns into the program's value. Every
// function here is pure; all numeric results are the exact decimal value as the nearest double
// (computed on integers, divided once), so 16 gives a VolEng of exactly 1.6,
// not 1.6000000000000001.
namespace settings_map {

// EEPROM addresses of the settings bytes.
namespace address {
constexpr int Flags00 = 0x00;
constexpr int Flags01 = 0x01;
constexpr int KFuel = 0x04;
constexpr int PTN = 0x08;
constexpr int NumBurn = 0x09;
constexpr int Porog_T = 0x0A;
constexpr int VolEng = 0x0F;
constexpr int ZdK = 0x17;
constexpr int UKZ = 0x1B;
constexpr int OPR = 0x1D;
constexpr int UPL = 0x1E;
constexpr int Flags1F = 0x1F;
constexpr int LUup = 0x20;
constexpr int LUdown = 0x21;
constexpr int ModuleName = 0x78; // eight characters, 0x78..0x7F
} // namespace address

constexpr int ModuleNameLength = 8;

// The byte of an answer to a one-byte read when the answer is exactly two upper-case hex digits
// (low nibble first); nothing for anything else (lower case, a missing or an extra character).
std::optional<int> ByteOfAnswer(QStringView answer);

// Numeric settings from their byte b (0..255); truncation is toward zero.
double KFuelFromByte(int b);   // b
double PTNFromByte(int b);     // trunc(b / 10) / 10
double NumBurnFromByte(int b); // b
double Porog_TFromByte(int b); // trunc(b / 2.5)
double VolEngFromByte(int b);  // b * 0.1
double ZdKFromByte(int b);     // trunc(b / 2)
double UKZFromByte(int b);     // (b - 128) * 0.01
double OPRFromByte(int b);     // trunc(b / 2) / 100
double UPLFromByte(int b);     // trunc((b - 128) / 1.2) / 100, toward zero when negative too
double LUupFromByte(int b);    // b / 100
double LUdownFromByte(int b);  // b / 100

// Bit n (0 = least significant) of a byte.
constexpr bool Bit(int byte, int n) {
    return ((byte >> n) & 1) != 0;
}

// Bits 4 and 5 of EEPROM-00.
enum class PumpTypeChoice {
    Simple, // both 0: "Простой"
    Auto,   // bit 5 = 0, bit 4 = 1: "Автомат"
    Ignore, // bit 5 = 1: "Игнорировать"
};

// EEPROM-00. Each flag is true when its bit is 1. Bit 6 has no name and is kept by Compose.
struct Flags00Bits {
    bool DP = false;        // bit 0, 1: the water pressure channel is present
    bool KorrTab = false;   // bit 1, table correction basis; 0: injection time, 1: MAF voltage
    bool TicherEmu = false; // bit 2, 1: lambda emulator training on
    bool PInBurn = false;   // bit 3, injector outputs; 0: water, 1: fuel
    PumpTypeChoice PumpType = PumpTypeChoice::Simple; // bits 4, 5
    bool System = false;                              // bit 7; 0: system on, 1: system off
    bool operator==(const Flags00Bits&) const = default;
};

// EEPROM-01. Bits 3 to 6 have no name and are kept by Compose.
struct Flags01Bits {
    bool Lambda_2 = false; // bit 0, second lambda; 0: normal, 1: catalyst
    bool Language = false; // bit 1, module's own menu; 0: Russian, 1: English
    bool DMRVType = false; // bit 2, air sensor; 0: MAF, 1: MAP
    bool ASinc = false;    // bit 7, asynchronous injection; 0: same, 1: different
    bool operator==(const Flags01Bits&) const = default;
};

// EEPROM-1F (engineering page). Bits 1 to 4 have no name and are kept by Compose.
struct Flags1FBits {
    bool LDiapazone = false; // bit 0, 1: stretched range of the lambda emulator
    bool VidBloka = false;   // bit 5, module's own menu view; 0: engineering, 1: simple
    bool Use_L = false;      // bit 6, 1: lambda signal used in training
    bool CalcWater = false;  // bit 7, water calculation; 0: summed, 1: normal
    bool operator==(const Flags1FBits&) const = default;
};

Flags00Bits DecodeFlags00(int byte);
Flags01Bits DecodeFlags01(int byte);
Flags1FBits DecodeFlags1F(int byte);
// The bytes written are composed from what the settings page shows (page_selection.h).

// Journal line of a decoded bit-field byte: "EEPROM-00 =  " (two blanks for 00 and 01, one for
// 1F), bits 0..3, a blank, bits 4..7. 0x81 at 00 gives "EEPROM-00 =  1000 0001".
QString FlagsJournalLine(int address, int byte);
// The same for the byte a settings change reads before composing: one blank after the equals
// sign for every address. 0x81 at 00 gives "EEPROM-00 = 1000 0001".
QString ChangeFlagsJournalLine(int address, int byte);

// Name characters are bytes in the Windows-1251 code page, the module's single-byte code page.
QChar NameCharFromByte(int b);

// What the accepted answer of a step of the connection read sets.
enum class ReadTarget {
    FuelFlowDigits,    // digits index, index + 1
    FuelCounterDigits, // digits index, index + 1
    Flags00,
    Flags01,
    Flags1F,
    KFuel,
    NumBurn,
    ZdK,
    PTN,
    Porog_T,
    VolEng,
    UKZ,
    OPR,
    UPL,
    LUup,
    LUdown,
    NameChar, // character index (0..7)
    Last,     // "2A%": its value is not used; its answers complete the read
};

struct ReadStep {
    const char* command; // as sent
    ReadTarget target;
    int address; // EEPROM address or register, high nibble first
    int index;   // first digit or name character, where the target has several
};

constexpr int ConnectReadLength = 28;
// The 28 commands of the connection read, in the order they are sent.
const std::array<ReadStep, ConnectReadLength>& ConnectReadSequence();
// Position of a command in the sequence, or -1.
int ConnectReadStepOf(QStringView command);

// The numeric settings' fields and decodings are one table: NumericSettingFields()
// (module_settings.h).

} // namespace settings_map
