#include "dump_compare.h"

#include "module_settings.h"
#include "settings_map.h"

namespace {

// The emulation curve: 64 points from 0x30 on. Table cells fill 0x80..0xFF: the high digit is the
// row (8..F for rows 1..8), the low digit the column, water F..8 and fuel 7..0 for columns 1..8.
constexpr int kCurveFirst = 0x30;
constexpr int kCurvePoints = 64;
constexpr int kTablesFirst = 0x80;

} // namespace

QString EepromAddressOwner(int address) {
    namespace a = settings_map::address;
    if (const NumericSettingField* field = NumericSettingFieldAt(address))
        return QLatin1String(field->name);
    switch (address) {
    case a::Flags00:
        return QStringLiteral("Flags00 (DP, KorrTab, TicherEmu, PInBurn, PumpType, System)");
    case a::Flags01:
        return QStringLiteral("Flags01 (Lambda_2, Language)");
    case a::Flags1F:
        return QStringLiteral("Flags1F (LDiapazone, VidBloka, Use_L, CalcWater)");
    default:
        break;
    }
    if (address >= a::ModuleName && address < a::ModuleName + settings_map::ModuleNameLength)
        return QStringLiteral("module name, character %1").arg(address - a::ModuleName + 1);
    if (address >= kCurveFirst && address < kCurveFirst + kCurvePoints)
        return QStringLiteral("curve point %1").arg(address - kCurveFirst);
    if (address >= kTablesFirst && address <= 0xFF) {
        const int row = (address >> 4) - 0x8 + 1;
        const int low = address & 0xF;
        if (low >= 8)
            return QStringLiteral("water table column %1, row %2").arg(0xF - low + 1).arg(row);
        return QStringLiteral("fuel table column %1, row %2").arg(0x7 - low + 1).arg(row);
    }
    return QStringLiteral("unused");
}

QVector<ByteDifference> CompareDumps(const EepromImage& left, const EepromImage& right) {
    QVector<ByteDifference> out;
    for (int i = 0; i < kDumpLineCount; ++i) {
        if (left[size_t(i)] != right[size_t(i)])
            out.append({i, left[size_t(i)], right[size_t(i)], EepromAddressOwner(i)});
    }
    return out;
}
