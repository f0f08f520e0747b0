#include "settings_map.h"

#include "wire_codec.h"

namespace settings_map {

std::optional<int> ByteOfAnswer(QStringView answer) {
    if (answer.size() != 2)
        return std::nullopt;
    return wire::DecodeByte(answer);
}

// Each decoding keeps the arithmetic on integers and divides once at the end: an integer divided
// by a power of ten is the double nearest to the decimal result, which is what the number's
// shortest text reads back as.

double KFuelFromByte(int b) {
    return b;
}

double PTNFromByte(int b) {
    return (b / 10) / 10.0;
}

double NumBurnFromByte(int b) {
    return b;
}

double Porog_TFromByte(int b) {
    return (2 * b) / 5; // b / 2.5 without the binary fraction
}

double VolEngFromByte(int b) {
    return b / 10.0;
}

double ZdKFromByte(int b) {
    return b / 2;
}

double UKZFromByte(int b) {
    return (b - 128) / 100.0;
}

double OPRFromByte(int b) {
    return (b / 2) / 100.0;
}

double UPLFromByte(int b) {
    // (b - 128) / 1.2 == 5 * (b - 128) / 6; integer division truncates toward zero on both sides.
    return (5 * (b - 128)) / 6 / 100.0;
}

double LUupFromByte(int b) {
    return b / 100.0;
}

double LUdownFromByte(int b) {
    return b / 100.0;
}

Flags00Bits DecodeFlags00(int byte) {
    Flags00Bits bits;
    bits.DP = Bit(byte, 0);
    bits.KorrTab = Bit(byte, 1);
    bits.TicherEmu = Bit(byte, 2);
    bits.PInBurn = Bit(byte, 3);
    bits.PumpType = Bit(byte, 5)   ? PumpTypeChoice::Ignore
                    : Bit(byte, 4) ? PumpTypeChoice::Auto
                                   : PumpTypeChoice::Simple;
    bits.System = Bit(byte, 7);
    return bits;
}

Flags01Bits DecodeFlags01(int byte) {
    Flags01Bits bits;
    bits.Lambda_2 = Bit(byte, 0);
    bits.Language = Bit(byte, 1);
    bits.DMRVType = Bit(byte, 2);
    bits.ASinc = Bit(byte, 7);
    return bits;
}

Flags1FBits DecodeFlags1F(int byte) {
    Flags1FBits bits;
    bits.LDiapazone = Bit(byte, 0);
    bits.VidBloka = Bit(byte, 5);
    bits.Use_L = Bit(byte, 6);
    bits.CalcWater = Bit(byte, 7);
    return bits;
}

namespace {

QString bitsText(int byte) {
    QString text;
    for (int n = 0; n < 8; ++n) {
        if (n == 4)
            text += QLatin1Char(' ');
        text += Bit(byte, n) ? QLatin1Char('1') : QLatin1Char('0');
    }
    return text;
}

} // namespace

QString FlagsJournalLine(int address, int byte) {
    return QStringLiteral("EEPROM-") + wire::HumanAddress(address) +
           (address == address::Flags1F ? QStringLiteral(" = ") : QStringLiteral(" =  ")) +
           bitsText(byte);
}

QString ChangeFlagsJournalLine(int address, int byte) {
    return QStringLiteral("EEPROM-") + wire::HumanAddress(address) + QStringLiteral(" = ") +
           bitsText(byte);
}

QChar NameCharFromByte(int b) {
    // Windows-1251, 0x80..0xFF; 0x98 has no character and keeps its code.
    static constexpr char16_t upper[128] = {
        0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
        0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
        0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
        0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
        0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, 0x0410, 0x0411,
        0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C,
        0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
        0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432,
        0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D,
        0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, 0x0448,
        0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
    };
    const int byte = b & 0xFF;
    return byte < 0x80 ? QChar(char16_t(byte)) : QChar(upper[byte - 0x80]);
}

const std::array<ReadStep, ConnectReadLength>& ConnectReadSequence() {
    using T = ReadTarget;
    static const std::array<ReadStep, ConnectReadLength> sequence = {{
        {"47%", T::FuelFlowDigits, 0x74, 0},
        {"57%", T::FuelFlowDigits, 0x75, 2},
        {"04%", T::FuelCounterDigits, 0x40, 0},
        {"14%", T::FuelCounterDigits, 0x41, 2},
        {"24%", T::FuelCounterDigits, 0x42, 4},
        {"00*", T::Flags00, address::Flags00, 0},
        {"10*", T::Flags01, address::Flags01, 0},
        {"40*", T::KFuel, address::KFuel, 0},
        {"90*", T::NumBurn, address::NumBurn, 0},
        {"71*", T::ZdK, address::ZdK, 0},
        {"80*", T::PTN, address::PTN, 0},
        {"A0*", T::Porog_T, address::Porog_T, 0},
        {"F0*", T::VolEng, address::VolEng, 0},
        {"B1*", T::UKZ, address::UKZ, 0},
        {"D1*", T::OPR, address::OPR, 0},
        {"E1*", T::UPL, address::UPL, 0},
        {"F1*", T::Flags1F, address::Flags1F, 0},
        {"02*", T::LUup, address::LUup, 0},
        {"12*", T::LUdown, address::LUdown, 0},
        {"87*", T::NameChar, address::ModuleName + 0, 0},
        {"97*", T::NameChar, address::ModuleName + 1, 1},
        {"A7*", T::NameChar, address::ModuleName + 2, 2},
        {"B7*", T::NameChar, address::ModuleName + 3, 3},
        {"C7*", T::NameChar, address::ModuleName + 4, 4},
        {"D7*", T::NameChar, address::ModuleName + 5, 5},
        {"E7*", T::NameChar, address::ModuleName + 6, 6},
        {"F7*", T::NameChar, address::ModuleName + 7, 7},
        {"2A%", T::Last, 0xA2, 0},
    }};
    return sequence;
}

int ConnectReadStepOf(QStringView command) {
    const auto& sequence = ConnectReadSequence();
    for (int i = 0; i < ConnectReadLength; ++i) {
        if (command == QLatin1String(sequence[i].command))
            return i;
    }
    return -1;
}

} // namespace settings_map
